// Planar distances and polyline splitting, in whatever unit the caller uses.
#pragma once

#include <cstdint>

namespace utl {

// Distance between (x1, y1) and (x2, y2).
double dist(double x1, double y1, double x2, double y2);

struct SegmentDistance {
  double d;  // distance from the point to the nearest point of the segment
  double s;  // distance from the first end to that point, along the segment
  double l;  // segment length
};
SegmentDistance dist_p_seg(double xp, double yp, double x1, double y1, double x2, double y2);

struct PolylineDistance {
  double ds;  // distance to the nearest point of the polyline
  double s1;  // curvilinear abscissa of that point from the first vertex
  double s2;  // remaining length from that point to the last vertex
};
// Reads nb vertices (vertex 1 whatever nb is).
PolylineDistance dist_to_poly(double xn, double yn, const double *xpoly, const double *ypoly,
                              int32_t nb);

struct PolylineSplit {
  int32_t ksplit;  // vertices before the split point
  double xsplit, ysplit;
  double totlen;
};
PolylineSplit split_poly_at(const double *xpoly, const double *ypoly, double split, int32_t nb);

}  // namespace utl
