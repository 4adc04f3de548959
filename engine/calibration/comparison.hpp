// Comparing measured series with simulated results.
//
// The simulated value at a measured instant t is the value of the last
// result instant not after t + 1 s (hydraulic results hold from one instant to
// the next; the second of tolerance lets instants rounded to the second or
// read back as 4-byte hours find their step), in the attribute's display
// unit; measured points before 0 or after the last result instant (+ 1 s)
// are left out. The deviation of a series is the
// root mean square of (simulated - measured) over its points.
#pragma once

#include <optional>
#include <vector>

#include "calibration/summary.hpp"
#include "measurements/measurement_store.hpp"
#include "model/model.hpp"
#include "results/results.hpp"

namespace orv::calibration {

// Differences simulated - measured of one series, at its points within the
// simulated period. Throws Failure when the element or attribute no longer
// exists in the model.
std::vector<double> differences(const Model &m, const Results &r, const measurements::SeriesKey &key,
                                const measurements::MeasuredSeries &s);

// Root mean square of the differences; nullopt without any.
std::optional<double> deviation(const std::vector<double> &differences);

// Class 1 to 4 of a deviation against the thresholds.
int indicator_class(double deviation, const Thresholds &t);

struct Indicator {
  double deviation = 0.0;
  int cls = 0;  // 0: no measured point of the element within the simulated period
};

// The element's worst class over its measured series, with the deviation of
// the first series of that class (series in attribute order).
Indicator element_indicator(const Model &m, const Results &r, const measurements::MeasurementStore &store,
                            ElementType type, const std::string &id, const Thresholds &t);

}  // namespace orv::calibration
