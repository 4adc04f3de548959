#include "geometry.hpp"

#include <cmath>

namespace utl {
namespace {

// Segment length, x term first; both walks use this one expression so that
// lengths summed in the same order compare exactly equal.
double segment_length(double xa, double ya, double xb, double yb) {
  double dx = xa - xb, dy = ya - yb;
  return std::sqrt(dx * dx + dy * dy);
}

constexpr double degenerate_length = 1e-8;
constexpr double lower_projection_bound = 1e-5;
constexpr double upper_projection_bound = 1.0;

}  // namespace

double dist(double x1, double y1, double x2, double y2) { return segment_length(x1, y1, x2, y2); }

SegmentDistance dist_p_seg(double xp, double yp, double x1, double y1, double x2, double y2) {
  double dx = x2 - x1, dy = y2 - y1;
  double length2 = dx * dx + dy * dy;
  double l = std::sqrt(length2);
  if (l < degenerate_length) return {segment_length(x1, y1, xp, yp), 0.0, l};
  double t = (dx * (xp - x1) + dy * (yp - y1)) / length2;
  if (t < lower_projection_bound || t > upper_projection_bound) {
    double da2 = (x1 - xp) * (x1 - xp) + (y1 - yp) * (y1 - yp);
    double db2 = (x2 - xp) * (x2 - xp) + (y2 - yp) * (y2 - yp);
    if (da2 > db2) return {std::sqrt(db2), l, l};
    return {std::sqrt(da2), 0.0, l};
  }
  double xq = x1 + t * dx, yq = y1 + t * dy;
  return {segment_length(xq, yq, xp, yp), segment_length(x1, y1, xq, yq), l};
}

PolylineDistance dist_to_poly(double xn, double yn, const double *xpoly, const double *ypoly,
                              int32_t nb) {
  double best = dist(xn, yn, xpoly[0], ypoly[0]);
  double s1 = 0.0, cumulated = 0.0;
  for (int32_t k = 1; k < nb; ++k) {
    SegmentDistance seg = dist_p_seg(xn, yn, xpoly[k - 1], ypoly[k - 1], xpoly[k], ypoly[k]);
    if (seg.d < best) {  // ties keep the earliest segment
      best = seg.d;
      s1 = cumulated + seg.s;
    }
    cumulated += seg.l;
  }
  return {best, s1, cumulated - s1};
}

PolylineSplit split_poly_at(const double *xpoly, const double *ypoly, double split, int32_t nb) {
  double totlen = 0.0;
  for (int32_t j = 1; j < nb; ++j)
    totlen += segment_length(xpoly[j - 1], ypoly[j - 1], xpoly[j], ypoly[j]);
  if (split <= 0.0) return {0, xpoly[0], ypoly[0], totlen};
  double cumulated = 0.0;
  int32_t last = 0;
  for (int32_t j = 1; j < nb; ++j) {
    double xa = xpoly[j - 1], ya = ypoly[j - 1], xb = xpoly[j], yb = ypoly[j];
    double seglen = segment_length(xa, ya, xb, yb);
    cumulated += seglen;
    last = j;
    if (cumulated >= split) {
      double r = (cumulated - split) / seglen;
      return {j, xb + (xa - xb) * r, yb + (ya - yb) * r, totlen};
    }
  }
  return {nb, xpoly[last], ypoly[last], totlen};
}

}  // namespace utl
