// The links at each node, in compressed rows: one pass to count, one to fill,
// instead of a vector per node (whose allocations outweigh the rest of a
// small network's setup).
#pragma once

#include <span>
#include <vector>

#include "hydraulics/network.hpp"

namespace orv::hyd {

class Incidence {
 public:
  // Links at each node in network order; a link from a node to itself is
  // listed there twice.
  explicit Incidence(const Net &net) : start_(net.nodes.size() + 1, 0), link_(2 * net.links.size()) {
    for (const LinkData &l : net.links) {
      ++start_[l.n1 + 1];
      ++start_[l.n2 + 1];
    }
    for (std::size_t i = 1; i < start_.size(); ++i) start_[i] += start_[i - 1];
    std::vector<int> next(start_.begin(), start_.end() - 1);
    for (std::size_t k = 0; k < net.links.size(); ++k) {
      link_[next[net.links[k].n1]++] = static_cast<int>(k);
      link_[next[net.links[k].n2]++] = static_cast<int>(k);
    }
  }

  std::span<const int> at(int node) const {
    return {link_.data() + start_[node], link_.data() + start_[node + 1]};
  }
  int degree(int node) const { return start_[node + 1] - start_[node]; }

 private:
  std::vector<int> start_, link_;
};

}  // namespace orv::hyd
