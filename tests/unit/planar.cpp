// The nearest point of a polyline under the engine's exact rules: the foot
// of the perpendicular wherever it falls on a segment, zero-length segments
// walked through, exact ties kept on the earliest point.
#include <doctest/doctest.h>

#include <cmath>
#include <vector>

#include "planar/polyline.hpp"

namespace {

using orv::planar::Point;

orv::planar::PolylineFoot nearest(Point p, const std::vector<Point> &pts) {
  return orv::planar::nearest_on_polyline(p, pts, orv::planar::exact_foot);
}

}  // namespace

TEST_CASE("a foot just past the first end is measured exactly, not to the end") {
  const auto foot = nearest({0.00005, 1.0}, {{0.0, 0.0}, {10.0, 0.0}});
  CHECK(foot.distance == 1.0);
  CHECK(foot.from_start == doctest::Approx(0.00005).epsilon(1e-12));
  CHECK(foot.from_start + foot.to_end == 10.0);
}

TEST_CASE("zero-length segments add nothing and never hide the nearest point") {
  const auto foot = nearest({4.0, 3.0}, {{0.0, 0.0}, {3.0, 0.0}, {3.0, 0.0}, {3.0, 4.0}});
  CHECK(foot.distance == 1.0);
  CHECK(foot.from_start == 6.0);
  CHECK(foot.to_end == 1.0);
  const auto point_like = nearest({3.0, 4.0}, {{0.0, 0.0}, {0.0, 0.0}});
  CHECK(point_like.distance == 5.0);
  CHECK(point_like.from_start == 0.0);
  CHECK(point_like.to_end == 0.0);
}

TEST_CASE("a point equally near two parts of the polyline takes the earlier") {
  // A closed square: its start and end coincide at the origin.
  const std::vector<Point> square{{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}};
  const auto at_start = nearest({-1.0, -1.0}, square);
  CHECK(at_start.distance == std::sqrt(2.0));
  CHECK(at_start.from_start == 0.0);
  CHECK(at_start.to_end == 8.0);
  const auto centre = nearest({1.0, 1.0}, square);
  CHECK(centre.from_start == 1.0);
}

TEST_CASE("an empty polyline has no nearest point") {
  CHECK(std::isinf(nearest({0.0, 0.0}, {}).distance));
}
