// Results of an extended-period simulation, one entry per hydraulic step.
//
// Layout: for each attribute one contiguous float32 block, column-wise: the
// column of one instant holds the values of every element in index order, and
// columns follow each other in time. So block[step * count + element]:
//  - the whole-network vector at one instant is one contiguous column;
//  - one element's series is a strided pass (stride = element count);
//  - min/max/mean with instants of all elements is one forward pass.
// Values are in SI units (m, m3/s, m/s, m3); statuses are ReportedLinkStatus codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "results/float_block.hpp"

namespace orv {

enum class NodeAttr : std::uint8_t { Head, Pressure, Demand, Quality, Count };
enum class LinkAttr : std::uint8_t { Flow, Velocity, Headloss, Status, Setting, Quality, Count };
enum class TankAttr : std::uint8_t { Level, Volume, Count };

// Status codes stored in LinkAttr::Status.
enum class ReportedLinkStatus : std::uint8_t { Closed = 0, Open = 1, Active = 2 };

class Results {
 public:
  Results() = default;
  Results(std::size_t nodes, std::size_t links, std::size_t tanks);

  std::size_t step_count() const { return times_.size(); }
  std::size_t node_count() const { return nodes_; }
  std::size_t link_count() const { return links_; }
  std::size_t tank_count() const { return tanks_; }
  // Instant of each step, seconds from the start.
  const std::vector<double> &times() const { return times_; }

  // Appends a step; returns its index. The new columns are zero until written.
  std::size_t add_step(double time);
  void reserve_steps(std::size_t steps);
  // Bytes one step takes (every attribute of every element).
  std::size_t bytes_per_step() const;

  // Column of one attribute at one step (all elements).
  std::span<float> column(NodeAttr a, std::size_t step);
  std::span<float> column(LinkAttr a, std::size_t step);
  std::span<float> column(TankAttr a, std::size_t step);
  std::span<const float> column(NodeAttr a, std::size_t step) const;
  std::span<const float> column(LinkAttr a, std::size_t step) const;
  std::span<const float> column(TankAttr a, std::size_t step) const;

  // Whole block of an attribute (step_count() columns).
  std::span<const float> block(NodeAttr a) const;
  std::span<const float> block(LinkAttr a) const;
  std::span<const float> block(TankAttr a) const;

  float value(NodeAttr a, std::size_t step, std::size_t node) const;
  float value(LinkAttr a, std::size_t step, std::size_t link) const;
  float value(TankAttr a, std::size_t step, std::size_t tank) const;

  // One element's series, copied out (strided read).
  std::vector<float> series(NodeAttr a, std::size_t node) const;
  std::vector<float> series(LinkAttr a, std::size_t link) const;
  std::vector<float> series(TankAttr a, std::size_t tank) const;

  struct Extremes {
    std::vector<float> min, max, mean;
    std::vector<std::size_t> min_step, max_step;  // first step reaching the extreme
  };
  // Min / max / mean per element over all steps, in one pass.
  Extremes extremes(NodeAttr a) const;
  Extremes extremes(LinkAttr a) const;
  Extremes extremes(TankAttr a) const;

  // Index of the last step whose instant is <= t (0 if none).
  std::size_t step_at(double t) const;

  void clear();
  // Empty results for a network of these sizes that keep this store's
  // memory: a run writing into it does not map fresh pages.
  void reuse_for(std::size_t nodes, std::size_t links, std::size_t tanks);

 private:
  std::size_t nodes_ = 0, links_ = 0, tanks_ = 0;
  std::vector<double> times_;
  FloatBlock node_blocks_[static_cast<int>(NodeAttr::Count)];
  FloatBlock link_blocks_[static_cast<int>(LinkAttr::Count)];
  FloatBlock tank_blocks_[static_cast<int>(TankAttr::Count)];
};

}  // namespace orv
