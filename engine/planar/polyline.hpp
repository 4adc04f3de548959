// Plane geometry shared by the engine and the geometry module: the length of
// a segment and the point of a segment or a polyline nearest to a given
// point, in whatever unit the caller's coordinates use. Header-only, so that
// the module compiles it without linking the engine.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <span>

namespace orv::planar {

struct Point {
  double x = 0.0, y = 0.0;
};

// x term first: lengths computed by this one expression and summed in the
// same order compare exactly equal.
inline double distance(Point a, Point b) {
  const double dx = a.x - b.x, dy = a.y - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

// When the foot of the perpendicular counts as the nearest point of a segment.
struct FootRules {
  double degenerate_length;  // a shorter segment is measured to its first end
  double lower, upper;       // a projection parameter outside [lower, upper] is measured to the nearer end
};
// The exact nearest point: only a segment of zero length is degenerate.
inline constexpr FootRules exact_foot{std::numeric_limits<double>::denorm_min(), 0.0, 1.0};

struct SegmentFoot {
  double distance;    // from the point to the nearest point of the segment
  double from_start;  // from the segment's first end to that point, along it
  double length;      // of the segment
};

inline SegmentFoot nearest_on_segment(Point p, Point a, Point b, const FootRules &rules) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double length = std::sqrt(length2);
  if (length < rules.degenerate_length) return {distance(a, p), 0.0, length};
  const double t = (dx * (p.x - a.x) + dy * (p.y - a.y)) / length2;
  if (t < rules.lower || t > rules.upper) {
    const double to_a2 = (a.x - p.x) * (a.x - p.x) + (a.y - p.y) * (a.y - p.y);
    const double to_b2 = (b.x - p.x) * (b.x - p.x) + (b.y - p.y) * (b.y - p.y);
    if (to_a2 > to_b2) return {std::sqrt(to_b2), length, length};
    return {std::sqrt(to_a2), 0.0, length};
  }
  const Point foot{a.x + t * dx, a.y + t * dy};
  return {distance(foot, p), distance(a, foot), length};
}

struct PolylineFoot {
  double distance;    // from the point to the nearest point of the polyline
  double from_start;  // from the first vertex to that point, along the polyline
  double to_end;      // from that point to the last vertex, along the polyline
};

// `vertex(k)` gives vertex k, 0 <= k < count; vertex 0 is read whatever the
// count. The walk starts from the distance to vertex 0 and a segment takes
// over only when strictly nearer, so ties keep the earliest point.
template <class VertexAt>
PolylineFoot nearest_on_polyline(Point p, std::ptrdiff_t count, VertexAt vertex, const FootRules &rules) {
  Point previous = vertex(0);
  double best = distance(p, previous), from_start = 0.0, walked = 0.0;
  for (std::ptrdiff_t k = 1; k < count; ++k) {
    const Point next = vertex(k);
    const SegmentFoot seg = nearest_on_segment(p, previous, next, rules);
    if (seg.distance < best) {
      best = seg.distance;
      from_start = walked + seg.from_start;
    }
    walked += seg.length;
    previous = next;
  }
  return {best, from_start, walked - from_start};
}

// An empty polyline has no nearest point: the distance is infinite.
inline PolylineFoot nearest_on_polyline(Point p, std::span<const Point> vertices, const FootRules &rules) {
  if (vertices.empty()) return {std::numeric_limits<double>::infinity(), 0.0, 0.0};
  return nearest_on_polyline(
      p, static_cast<std::ptrdiff_t>(vertices.size()), [&](std::ptrdiff_t k) { return vertices[static_cast<std::size_t>(k)]; },
      rules);
}

}  // namespace orv::planar
