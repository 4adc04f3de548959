#include "model/geometry.hpp"

#include <algorithm>

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
    s[i] = s[i - 1] + planar::distance(pts[i - 1], pts[i]);
  return s;
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
