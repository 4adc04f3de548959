// Chains of water parcels ("segments") held in pipes and in tanks that keep
// their contents in layers. Each chain runs from its downstream end (first,
// the oldest water) to its upstream end (last, the newest water). All chains
// share one pool so that a run allocates only while the number of parcels grows.
#pragma once

#include <cstddef>
#include <vector>

namespace orv::wq {

struct Segment {
  double v = 0;   // volume (m3)
  double c = 0;   // quality (display units)
  int next = -1;  // the neighbouring segment upstream (newer water), -1 at the end
};

class SegmentChains {
 public:
  explicit SegmentChains(std::size_t chains = 0);

  int first(int chain) const { return first_[chain]; }
  int last(int chain) const { return last_[chain]; }
  Segment &at(int s) { return pool_[s]; }
  const Segment &at(int s) const { return pool_[s]; }

  // Appends a segment at the upstream end of a chain.
  void push_last(int chain, double v, double c);
  // Releases the first (downstream) segment of a chain.
  void pop_first(int chain);
  // Empties a chain.
  void clear(int chain);
  // Turns a chain end for end (flow reversal, last-in-first-out withdrawal).
  void reverse(int chain);

  // Lays every chain out again in one block of the pool, chain after chain,
  // each from its first segment to its last: pushes and pops scatter a
  // chain over the pool, and walks along scattered chains wait on memory.
  // Values and the order of every chain stay as they are.
  void compact();
  // Whether enough segments were placed since the last compaction for the
  // chains to have scattered (a quarter of those in use): compacting costs a
  // walk over every segment, and periods can be a few steps long.
  bool scattered() const { return 4 * placed_since_compact_ >= segments_in_use(); }

  std::size_t segments_in_use() const { return pool_.size() - free_count_; }

 private:
  std::vector<Segment> pool_, spare_;
  std::vector<int> first_, last_;
  int free_ = -1;
  std::size_t free_count_ = 0;
  std::size_t placed_since_compact_ = 0;
};

}  // namespace orv::wq
