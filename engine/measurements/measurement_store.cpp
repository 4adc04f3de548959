#include "measurements/measurement_store.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace orv::measurements {

const MeasuredSeries *MeasurementStore::find(const SeriesKey &key) const {
  const auto it = series_.find(key);
  return it == series_.end() ? nullptr : &it->second;
}

void MeasurementStore::put(SeriesKey key, MeasuredSeries series) {
  std::vector<std::size_t> order(series.hours.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return series.hours[a] < series.hours[b]; });
  MeasuredSeries sorted;
  for (std::size_t i : order) {
    sorted.hours.push_back(series.hours[i]);
    sorted.values.push_back(series.values[i]);
  }
  series_[std::move(key)] = std::move(sorted);
}

void MeasurementStore::merge(MeasurementStore &&other) {
  for (auto &[key, s] : other.series_) series_[key] = std::move(s);
  other.series_.clear();
}

std::vector<Point> sampled(const MeasuredSeries &s, double interval, std::size_t limit) {
  std::vector<Point> out;
  const std::size_t n = s.hours.size();
  if (n == 0 || limit == 0) return out;
  if (!(interval > 0)) {
    for (std::size_t i = 0; i < std::min(n, limit); ++i) out.push_back({s.hours[i], s.values[i]});
    return out;
  }
  const double first = s.hours.front(), span = s.hours.back() - first;
  // A relative tolerance keeps the last instant when the span is a multiple of the interval.
  const double steps = std::floor(span / interval * (1 + 1e-9) + 1e-9);
  const std::size_t count =
      steps + 1 >= static_cast<double>(limit) ? limit : static_cast<std::size_t>(steps) + 1;
  out.reserve(count);
  std::size_t seg = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const double t = std::min(first + static_cast<double>(k) * interval, s.hours.back());
    while (seg + 2 < n && s.hours[seg + 1] <= t) ++seg;
    double v = s.values[seg];
    if (n > 1) {
      const double t0 = s.hours[seg], t1 = s.hours[seg + 1];
      const double w = std::clamp((t - t0) / (t1 - t0), 0.0, 1.0);
      v = s.values[seg] + w * (s.values[seg + 1] - s.values[seg]);
    }
    out.push_back({first + static_cast<double>(k) * interval, v});
  }
  return out;
}

}  // namespace orv::measurements
