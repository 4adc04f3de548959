#include "model/geometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

bool has_geometry(const Model &m, int link) {
  const Link &l = m.links[link];
  return m.nodes[l.from].has_coords && m.nodes[l.to].has_coords;
}

std::vector<Point> polyline(const Model &m, int link) {
  const Link &l = m.links[link];
  std::vector<Point> pts;
  pts.reserve(l.vertices.size() + 2);
  pts.push_back({m.nodes[l.from].x, m.nodes[l.from].y});
  for (const auto &[x, y] : l.vertices) pts.push_back({x, y});
  pts.push_back({m.nodes[l.to].x, m.nodes[l.to].y});
  return pts;
}

std::vector<double> cumulative_lengths(const std::vector<Point> &pts) {
  std::vector<double> s(pts.size(), 0.0);
  for (std::size_t i = 1; i < pts.size(); ++i)
    s[i] = s[i - 1] + std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
  return s;
}

Projection project(const std::vector<Point> &pts, Point p) {
  const std::vector<double> s = cumulative_lengths(pts);
  Projection best{std::numeric_limits<double>::infinity(), 0.0, 0.0};
  for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
    const double dx = pts[i + 1].x - pts[i].x, dy = pts[i + 1].y - pts[i].y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0.0 ? ((p.x - pts[i].x) * dx + (p.y - pts[i].y) * dy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double d = std::hypot(pts[i].x + t * dx - p.x, pts[i].y + t * dy - p.y);
    if (d < best.distance) best = {d, s[i] + t * std::sqrt(len2), 0.0};
  }
  if (pts.size() == 1) best = {std::hypot(pts[0].x - p.x, pts[0].y - p.y), 0.0, 0.0};
  best.to_end = s.back() - best.from_start;
  return best;
}

Box bounding_box(const std::vector<Point> &pts) {
  Box b{pts[0].x, pts[0].x, pts[0].y, pts[0].y};
  for (const Point &q : pts) {
    b.xmin = std::min(b.xmin, q.x);
    b.xmax = std::max(b.xmax, q.x);
    b.ymin = std::min(b.ymin, q.y);
    b.ymax = std::max(b.ymax, q.y);
  }
  return b;
}

}  // namespace orv
