// Plane geometry of branches: the polyline from the start node through the
// bends (vertices) to the end node, in the coordinate units of the model.
#pragma once

#include <vector>

#include "model/model.hpp"

namespace orv {

struct Point {
  double x = 0.0, y = 0.0;
};

// Whether both end nodes of a branch have coordinates.
bool has_geometry(const Model &m, int link);
// Start node, bends, end node.
std::vector<Point> polyline(const Model &m, int link);
// Cumulative distance along the polyline at each point (first is 0).
std::vector<double> cumulative_lengths(const std::vector<Point> &pts);

struct Projection {
  double distance = 0.0;  // from the point to the polyline
  double from_start = 0.0, to_end = 0.0;  // along the polyline, to the nearest point
};
Projection project(const std::vector<Point> &pts, Point p);

struct Box {
  double xmin, xmax, ymin, ymax;
};
Box bounding_box(const std::vector<Point> &pts);

}  // namespace orv
