#include "hydraulics/curve_math.hpp"

namespace orv::hyd {

double interpolate(const std::vector<double> &x, const std::vector<double> &y, double v) {
  const std::size_t n = x.size();
  if (n == 0) return 0.0;
  if (v <= x[0]) return y[0];
  if (v >= x[n - 1]) return y[n - 1];
  std::size_t i = 1;
  while (x[i] < v) ++i;
  const double dx = x[i] - x[i - 1];
  if (dx <= 0) return y[i];
  return y[i - 1] + (v - x[i - 1]) / dx * (y[i] - y[i - 1]);
}

Segment segment_at(const std::vector<double> &x, const std::vector<double> &y, double v) {
  const std::size_t n = x.size();
  if (n < 2) return {n ? y[0] : 0.0, 0.0};
  std::size_t i = 1;
  while (i < n - 1 && x[i] < v) ++i;
  const double dx = x[i] - x[i - 1];
  const double slope = dx != 0 ? (y[i] - y[i - 1]) / dx : 0.0;
  return {y[i] - slope * x[i], slope};
}

}  // namespace orv::hyd
