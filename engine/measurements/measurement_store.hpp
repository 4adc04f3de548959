// Measured time series, one per (element type, element identifier, attribute):
// instants in hours from the simulation start, values in the display unit of
// the attribute (as the simulated values are handed out).
#pragma once

#include <compare>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/element_type.hpp"
#include "session/session.hpp"

namespace orv::measurements {

struct SeriesKey {
  ElementType type = ElementType::Node;
  std::string id;         // as in the model
  std::string attribute;  // upper-case symbol
  auto operator<=>(const SeriesKey &) const = default;
};

struct MeasuredSeries {
  std::vector<double> hours;   // strictly increasing
  std::vector<double> values;
};

class MeasurementStore {
 public:
  const std::map<SeriesKey, MeasuredSeries> &all() const { return series_; }
  const MeasuredSeries *find(const SeriesKey &key) const;
  bool empty() const { return series_.empty(); }
  void clear() { series_.clear(); }
  // Sets a series, replacing one of the same key; points sorted by time.
  void put(SeriesKey key, MeasuredSeries series);
  // Takes every series of `other`, replacing those of the same key.
  void merge(MeasurementStore &&other);

 private:
  std::map<SeriesKey, MeasuredSeries> series_;
};

struct Point {
  double hours, value;
};

// The series as measured (interval <= 0) or resampled every `interval` hours
// from its first instant to its last, by linear interpolation between the
// measured points; at most `limit` points.
std::vector<Point> sampled(const MeasuredSeries &s, double interval, std::size_t limit);

// The measurements of a session's model (dropped with the model).
inline MeasurementStore &measurements_of(Session &e) { return e.model_part<MeasurementStore>(); }

}  // namespace orv::measurements
