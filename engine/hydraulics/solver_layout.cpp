#include "hydraulics/solver_layout.hpp"

#include <Eigen/OrderingMethods>
#include <Eigen/SparseCore>
#include <utility>

namespace orv::hyd {

namespace {

// Everything a plan reads, as numbers: what find_trees reads (the demand
// model, node kinds and emitters, link ends and kinds, pipes closed from the
// start, links that controls or rules steer) and the link ends the ordering
// reads.
std::vector<int> shape_of(const Net &net) {
  const Model &m = *net.model;
  std::vector<int> shape;
  shape.reserve(4 + net.nodes.size() + 3 * net.links.size());
  shape.push_back(static_cast<int>(m.options.demand_model));
  shape.push_back(static_cast<int>(net.nodes.size()));
  shape.push_back(static_cast<int>(net.links.size()));
  for (std::size_t i = 0; i < net.nodes.size(); ++i)
    shape.push_back(static_cast<int>(net.nodes[i].kind) | (m.nodes[i].emitter_coeff > 0 ? 1 << 8 : 0));
  const std::vector<char> steered = steered_links(m);
  for (std::size_t k = 0; k < net.links.size(); ++k) {
    shape.push_back(net.links[k].n1);
    shape.push_back(net.links[k].n2);
    shape.push_back(static_cast<int>(net.links[k].kind) |
                    (m.links[k].initial_status == LinkStatus::Closed ? 1 << 8 : 0) | (steered[k] ? 1 << 9 : 0));
  }
  return shape;
}

}  // namespace

SolverLayout plan_layout(const Net &net) {
  using SparseMatrix = Eigen::SparseMatrix<double, Eigen::ColMajor, int>;
  using Permutation = Eigen::PermutationMatrix<Eigen::Dynamic, Eigen::Dynamic, int>;
  SolverLayout layout;
  layout.tree = find_trees(net);
  std::vector<char> tree_node(net.nodes.size(), 0);
  for (const TreeLink &b : layout.tree) tree_node[b.node] = 1;
  // Rows of the core junctions, in network order.
  std::vector<int> row(net.nodes.size(), -1);
  int nj = 0;
  for (std::size_t i = 0; i < net.nodes.size(); ++i)
    if (net.nodes[i].row >= 0 && !tree_node[i]) row[i] = nj++;
  std::vector<std::pair<int, int>> joined;  // rows joined by a link
  joined.reserve(net.links.size());
  for (const LinkData &l : net.links)
    if (row[l.n1] >= 0 && row[l.n2] >= 0) joined.emplace_back(row[l.n1], row[l.n2]);
  // Fill-reducing order of the junction rows.
  UpperPattern pattern = upper_pattern(nj, joined);
  const std::vector<double> ones(pattern.rows.size(), 1.0);
  const Eigen::Map<const SparseMatrix> unordered(nj, nj, static_cast<int>(ones.size()), pattern.col_start.data(),
                                                 pattern.rows.data(), ones.data());
  Permutation inverse;
  Eigen::AMDOrdering<int> amd;
  amd(unordered.selfadjointView<Eigen::Upper>(), inverse);
  const Permutation order = inverse.inverse();
  layout.slot.assign(net.nodes.size(), -1);
  for (std::size_t i = 0; i < net.nodes.size(); ++i)
    if (row[i] >= 0) layout.slot[i] = order.indices()[row[i]];
  for (auto &[a, b] : joined) a = order.indices()[a], b = order.indices()[b];
  pattern = upper_pattern(nj, joined);
  layout.rows = nj;
  if (nj > 0) layout.factor.analyse(nj, pattern.col_start.data(), pattern.rows.data());
  return layout;
}

std::shared_ptr<const SolverLayout> LayoutCache::layout(const Net &net) {
  std::vector<int> shape = shape_of(net);
  if (!layout_ || shape != shape_) {
    layout_ = std::make_shared<const SolverLayout>(plan_layout(net));
    shape_ = std::move(shape);
  }
  return layout_;
}

}  // namespace orv::hyd
