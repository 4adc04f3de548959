#include "analysis/density.hpp"

#include <algorithm>
#include <cmath>

#include "model/status.hpp"

namespace orv::analysis {

void DensityTable::set(std::span<const float> temperatures, std::span<const float> densities) {
  if (temperatures.size() != densities.size())
    throw Failure(Status::BadArgument, "the density table needs as many densities as temperatures");
  std::vector<std::pair<double, double>> points;
  for (std::size_t i = 0; i < temperatures.size(); ++i) {
    if (!std::isfinite(temperatures[i]))
      throw Failure(Status::BadArgument, "density table: temperature " + std::to_string(i + 1) +
                                             " is not a number");
    if (!(std::isfinite(densities[i]) && densities[i] > 0))
      throw Failure(Status::BadArgument, "density table: density " + std::to_string(i + 1) +
                                             " must be a positive number");
    points.emplace_back(temperatures[i], densities[i]);
  }
  std::sort(points.begin(), points.end());
  for (std::size_t i = 1; i < points.size(); ++i)
    if (points[i].first == points[i - 1].first)
      throw Failure(Status::BadArgument, "density table: temperature " +
                                             std::to_string(points[i].first) + " is given twice");
  points_ = std::move(points);
}

double DensityTable::at(double t) const {
  if (t <= points_.front().first) return points_.front().second;
  if (t >= points_.back().first) return points_.back().second;
  const auto hi = std::upper_bound(points_.begin(), points_.end(), std::make_pair(t, 0.0),
                                   [](auto &a, auto &b) { return a.first < b.first; });
  const auto lo = hi - 1;
  const double w = (t - lo->first) / (hi->first - lo->first);
  return lo->second + w * (hi->second - lo->second);
}

double water_temperature(const Model &m) {
  // Solve 1 + a T + b T^2 = (1 + 20 a + 400 b) / viscosity for T.
  const double a = 0.0337, b = 0.000221;
  const double c = 1.0 - (1.0 + 20.0 * a + 400.0 * b) / m.options.viscosity;
  const double disc = a * a - 4.0 * b * c;
  if (disc < 0) return -a / (2.0 * b);  // beyond the relation's range: its minimum
  return (-a + std::sqrt(disc)) / (2.0 * b);
}

double water_density(const Model &m, const DensityTable &table) {
  if (table.empty()) return 1000.0 * m.options.specific_gravity;
  return table.at(water_temperature(m));
}

}  // namespace orv::analysis
