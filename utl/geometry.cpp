#include "geometry.hpp"

#include "planar/polyline.hpp"

namespace utl {
namespace {

using orv::planar::Point;

// The module's own window: a segment shorter than 1e-8 is measured to its
// first end, and a foot within 1e-5 of the segment's length past its first
// end is measured to that end.
constexpr orv::planar::FootRules foot_rules{1e-8, 1e-5, 1.0};

}  // namespace

double dist(double x1, double y1, double x2, double y2) { return orv::planar::distance({x1, y1}, {x2, y2}); }

SegmentDistance dist_p_seg(double xp, double yp, double x1, double y1, double x2, double y2) {
  const auto foot = orv::planar::nearest_on_segment({xp, yp}, {x1, y1}, {x2, y2}, foot_rules);
  return {foot.distance, foot.from_start, foot.length};
}

PolylineDistance dist_to_poly(double xn, double yn, const double *xpoly, const double *ypoly,
                              int32_t nb) {
  const auto foot = orv::planar::nearest_on_polyline(
      {xn, yn}, nb, [&](std::ptrdiff_t k) { return Point{xpoly[k], ypoly[k]}; }, foot_rules);
  return {foot.distance, foot.from_start, foot.to_end};
}

PolylineSplit split_poly_at(const double *xpoly, const double *ypoly, double split, int32_t nb) {
  const auto vertex = [&](int32_t k) { return Point{xpoly[k], ypoly[k]}; };
  double totlen = 0.0;
  for (int32_t j = 1; j < nb; ++j) totlen += orv::planar::distance(vertex(j - 1), vertex(j));
  if (split <= 0.0) return {0, xpoly[0], ypoly[0], totlen};
  double cumulated = 0.0;
  int32_t last = 0;
  for (int32_t j = 1; j < nb; ++j) {
    const Point a = vertex(j - 1), b = vertex(j);
    const double seglen = orv::planar::distance(a, b);
    cumulated += seglen;
    last = j;
    if (cumulated >= split) {
      const double r = (cumulated - split) / seglen;
      return {j, b.x + (a.x - b.x) * r, b.y + (a.y - b.y) * r, totlen};
    }
  }
  return {nb, xpoly[last], ypoly[last], totlen};
}

}  // namespace utl
