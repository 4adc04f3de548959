// Piecewise-linear evaluation of tabulated curves.
#pragma once

#include <cstddef>
#include <vector>

namespace orv::hyd {

// Linear interpolation in (x, y), clamped to the end values outside the range.
double interpolate(const std::vector<double> &x, const std::vector<double> &y, double v);

// The segment of (x, y) used at v (extrapolating the end segments): y = y0 + slope * v.
struct Segment {
  double y0, slope;
};
Segment segment_at(const std::vector<double> &x, const std::vector<double> &y, double v);

}  // namespace orv::hyd
