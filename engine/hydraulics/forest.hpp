// Dead-end trees of a network: junctions hanging off the looped core through
// plain pipes only. A tree's flows follow from the demands beyond each pipe
// and its heads from the head where it joins the core, so the solver keeps
// trees out of its matrix (forest-core partitioning).
#pragma once

#include <vector>

#include "hydraulics/network.hpp"

namespace orv::hyd {

struct TreeLink {
  int node;    // a tree junction
  int link;    // its pipe toward the core
  int parent;  // the node at that pipe's other end (tree or core)
};

// Leaves first: every tree link comes before that of its parent. Empty when
// demands depend on pressure. Pipes that controls or rules act on, pipes closed
// from the start and junctions with emitters stay in the core, where statuses
// and pressure-dependent outflows are solved.
std::vector<TreeLink> find_trees(const Net &net);

// Per link: 1 where controls or rules may change its status or setting.
std::vector<char> steered_links(const Model &m);

}  // namespace orv::hyd
