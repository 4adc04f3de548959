#include "results/results.hpp"

#include <algorithm>
#include <limits>

namespace orv {

namespace {

template <typename Attr>
constexpr int idx(Attr a) { return static_cast<int>(a); }

std::vector<float> strided(const FloatBlock &block, std::size_t count, std::size_t element) {
  std::vector<float> out;
  if (count == 0) return out;
  const std::size_t steps = block.size() / count;
  out.reserve(steps);
  for (std::size_t s = 0; s < steps; ++s) out.push_back(block[s * count + element]);
  return out;
}

Results::Extremes scan(const FloatBlock &block, std::size_t count) {
  Results::Extremes e;
  e.min.assign(count, std::numeric_limits<float>::infinity());
  e.max.assign(count, -std::numeric_limits<float>::infinity());
  e.min_step.assign(count, 0);
  e.max_step.assign(count, 0);
  std::vector<double> sum(count, 0.0);
  const std::size_t steps = count ? block.size() / count : 0;
  for (std::size_t s = 0; s < steps; ++s) {
    const float *col = block.data() + s * count;
    for (std::size_t i = 0; i < count; ++i) {
      const float v = col[i];
      if (v < e.min[i]) { e.min[i] = v; e.min_step[i] = s; }
      if (v > e.max[i]) { e.max[i] = v; e.max_step[i] = s; }
      sum[i] += v;
    }
  }
  e.mean.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    e.mean[i] = steps ? static_cast<float>(sum[i] / steps) : 0.0f;
    if (!steps) e.min[i] = e.max[i] = 0.0f;
  }
  return e;
}

}  // namespace

Results::Results(std::size_t nodes, std::size_t links, std::size_t tanks)
    : nodes_(nodes), links_(links), tanks_(tanks) {}

std::size_t Results::add_step(double time) {
  times_.push_back(time);
  for (auto &b : node_blocks_) b.resize(b.size() + nodes_);
  for (auto &b : link_blocks_) b.resize(b.size() + links_);
  for (auto &b : tank_blocks_) b.resize(b.size() + tanks_);
  return times_.size() - 1;
}

std::size_t Results::bytes_per_step() const {
  return sizeof(float) * (nodes_ * std::size(node_blocks_) + links_ * std::size(link_blocks_) +
                          tanks_ * std::size(tank_blocks_)) + sizeof(double);
}

void Results::reserve_steps(std::size_t steps) {
  times_.reserve(steps);
  for (auto &b : node_blocks_) b.reserve(steps * nodes_);
  for (auto &b : link_blocks_) b.reserve(steps * links_);
  for (auto &b : tank_blocks_) b.reserve(steps * tanks_);
}

std::span<float> Results::column(NodeAttr a, std::size_t s) {
  return {node_blocks_[idx(a)].data() + s * nodes_, nodes_};
}
std::span<float> Results::column(LinkAttr a, std::size_t s) {
  return {link_blocks_[idx(a)].data() + s * links_, links_};
}
std::span<float> Results::column(TankAttr a, std::size_t s) {
  return {tank_blocks_[idx(a)].data() + s * tanks_, tanks_};
}
std::span<const float> Results::column(NodeAttr a, std::size_t s) const {
  return {node_blocks_[idx(a)].data() + s * nodes_, nodes_};
}
std::span<const float> Results::column(LinkAttr a, std::size_t s) const {
  return {link_blocks_[idx(a)].data() + s * links_, links_};
}
std::span<const float> Results::column(TankAttr a, std::size_t s) const {
  return {tank_blocks_[idx(a)].data() + s * tanks_, tanks_};
}

std::span<const float> Results::block(NodeAttr a) const { return node_blocks_[idx(a)]; }
std::span<const float> Results::block(LinkAttr a) const { return link_blocks_[idx(a)]; }
std::span<const float> Results::block(TankAttr a) const { return tank_blocks_[idx(a)]; }

float Results::value(NodeAttr a, std::size_t s, std::size_t i) const {
  return node_blocks_[idx(a)][s * nodes_ + i];
}
float Results::value(LinkAttr a, std::size_t s, std::size_t i) const {
  return link_blocks_[idx(a)][s * links_ + i];
}
float Results::value(TankAttr a, std::size_t s, std::size_t i) const {
  return tank_blocks_[idx(a)][s * tanks_ + i];
}

std::vector<float> Results::series(NodeAttr a, std::size_t i) const {
  return strided(node_blocks_[idx(a)], nodes_, i);
}
std::vector<float> Results::series(LinkAttr a, std::size_t i) const {
  return strided(link_blocks_[idx(a)], links_, i);
}
std::vector<float> Results::series(TankAttr a, std::size_t i) const {
  return strided(tank_blocks_[idx(a)], tanks_, i);
}

Results::Extremes Results::extremes(NodeAttr a) const { return scan(node_blocks_[idx(a)], nodes_); }
Results::Extremes Results::extremes(LinkAttr a) const { return scan(link_blocks_[idx(a)], links_); }
Results::Extremes Results::extremes(TankAttr a) const { return scan(tank_blocks_[idx(a)], tanks_); }


std::size_t Results::step_at(double t) const {
  auto it = std::upper_bound(times_.begin(), times_.end(), t);
  return it == times_.begin() ? 0 : static_cast<std::size_t>(it - times_.begin()) - 1;
}

void Results::clear() {
  times_ = {};
  for (auto &b : node_blocks_) b = {};
  for (auto &b : link_blocks_) b = {};
  for (auto &b : tank_blocks_) b = {};
}

void Results::reuse_for(std::size_t nodes, std::size_t links, std::size_t tanks) {
  nodes_ = nodes;
  links_ = links;
  tanks_ = tanks;
  times_.clear();
  for (auto &b : node_blocks_) b.empty_keeping_storage();
  for (auto &b : link_blocks_) b.empty_keeping_storage();
  for (auto &b : tank_blocks_) b.empty_keeping_storage();
  // Quality columns start afresh: a run without quality never writes them,
  // and fresh pages read as zero without being touched, where kept storage
  // would have to be zeroed.
  node_blocks_[idx(NodeAttr::Quality)] = {};
  link_blocks_[idx(LinkAttr::Quality)] = {};
}

}  // namespace orv
