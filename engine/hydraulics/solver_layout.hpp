// Where a network's unknowns go in the solver: its dead-end trees, the matrix
// row of each core junction in fill-reducing order, and the analysed
// factorisation. All of it follows from the network's shape alone, and on a
// small network planning it costs as much as solving, so runs of a network
// whose shape has not changed (scenarios, calibration, a script's reruns)
// share one plan.
#pragma once

#include <memory>
#include <vector>

#include "hydraulics/forest.hpp"
#include "hydraulics/network.hpp"
#include "hydraulics/static_ldlt.hpp"

namespace orv::hyd {

struct SolverLayout {
  std::vector<TreeLink> tree;
  std::vector<int> slot;  // matrix row of each node; -1 for fixed heads and tree nodes
  int rows = 0;
  StaticLdlt factor;      // analysed when rows > 0; values zero
};

SolverLayout plan_layout(const Net &net);

class LayoutCache {
 public:
  // The layout of `net`: the last one planned while the shape it was planned
  // for is unchanged, else a new plan.
  std::shared_ptr<const SolverLayout> layout(const Net &net);

 private:
  std::vector<int> shape_;
  std::shared_ptr<const SolverLayout> layout_;
};

}  // namespace orv::hyd
