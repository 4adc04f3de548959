// Plane geometry of links: the polyline from the start node through the
// bends (vertices) to the end node, in the coordinate units of the model.
#pragma once

#include <vector>

#include "model/model.hpp"
#include "planar/polyline.hpp"

namespace orv {

using planar::Point;

// Whether both end nodes of a link have coordinates.
bool has_geometry(const Model &m, int link);
// Start node, bends, end node.
std::vector<Point> polyline(const Model &m, int link);
// Cumulative distance along the polyline at each point (first is 0).
std::vector<double> cumulative_lengths(const std::vector<Point> &pts);

struct Box {
  double xmin, xmax, ymin, ymax;
};
Box bounding_box(const std::vector<Point> &pts);

}  // namespace orv
