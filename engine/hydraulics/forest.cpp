#include "hydraulics/forest.hpp"

#include "hydraulics/incidence.hpp"

namespace orv::hyd {

// Links whose status or setting controls and rules may change.
std::vector<char> steered_links(const Model &m) {
  std::vector<char> steered(m.links.size(), 0);
  auto mark = [&](int k) {
    if (k >= 0 && k < static_cast<int>(steered.size())) steered[k] = 1;
  };
  for (const Control &c : m.controls) mark(c.link);
  for (const Rule &r : m.rules) {
    for (const RuleAction &a : r.then_actions) mark(a.link);
    for (const RuleAction &a : r.else_actions) mark(a.link);
  }
  return steered;
}

std::vector<TreeLink> find_trees(const Net &net) {
  const Model &m = *net.model;
  if (m.options.demand_model == DemandModel::PressureDriven) return {};
  const std::vector<char> steered = steered_links(m);
  const std::size_t nn = net.nodes.size();
  const Incidence incident(net);
  std::vector<int> degree(nn);
  for (std::size_t i = 0; i < nn; ++i) degree[i] = incident.degree(static_cast<int>(i));  // a loop counts twice: never a leaf
  auto prunable = [&](int i) {
    return net.nodes[i].kind == NodeKind::Junction && degree[i] == 1 && !(m.nodes[i].emitter_coeff > 0);
  };
  std::vector<char> gone(nn, 0);
  std::vector<int> leaves;
  for (std::size_t i = 0; i < nn; ++i)
    if (prunable(static_cast<int>(i))) leaves.push_back(static_cast<int>(i));
  std::vector<TreeLink> tree;
  while (!leaves.empty()) {
    const int i = leaves.back();
    leaves.pop_back();
    if (gone[i] || !prunable(i)) continue;
    int link = -1, other = -1;
    for (const int k : incident.at(i)) {
      const int o = net.links[k].n1 == i ? net.links[k].n2 : net.links[k].n1;
      if (!gone[o]) link = k, other = o;
    }
    if (link < 0) continue;
    const bool plain_pipe = net.links[link].kind == LinkKind::Pipe && !steered[link] &&
                            m.links[link].initial_status != LinkStatus::Closed;
    if (!plain_pipe || net.nodes[other].kind != NodeKind::Junction) continue;
    gone[i] = 1;
    tree.push_back({i, link, other});
    --degree[other];
    if (prunable(other)) leaves.push_back(other);
  }
  return tree;
}

}  // namespace orv::hyd
