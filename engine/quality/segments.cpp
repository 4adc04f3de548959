#include "quality/segments.hpp"

namespace orv::wq {

SegmentChains::SegmentChains(std::size_t chains) : first_(chains, -1), last_(chains, -1) {}

void SegmentChains::push_last(int chain, double v, double c) {
  int s;
  if (free_ >= 0) {
    s = free_;
    free_ = pool_[s].next;
    --free_count_;
  } else {
    s = static_cast<int>(pool_.size());
    pool_.push_back({});
  }
  pool_[s] = {v, c, -1};
  ++placed_since_compact_;
  if (first_[chain] < 0) first_[chain] = s;
  if (last_[chain] >= 0) pool_[last_[chain]].next = s;
  last_[chain] = s;
}

void SegmentChains::pop_first(int chain) {
  const int s = first_[chain];
  if (s < 0) return;
  first_[chain] = pool_[s].next;
  if (first_[chain] < 0) last_[chain] = -1;
  pool_[s].next = free_;
  free_ = s;
  ++free_count_;
}

void SegmentChains::compact() {
  spare_.clear();
  spare_.reserve(segments_in_use());
  for (std::size_t chain = 0; chain < first_.size(); ++chain) {
    int s = first_[chain];
    if (s < 0) continue;
    first_[chain] = static_cast<int>(spare_.size());
    for (; s >= 0; s = pool_[s].next) {
      spare_.push_back(pool_[s]);
      spare_.back().next = static_cast<int>(spare_.size());  // its successor comes next
    }
    spare_.back().next = -1;
    last_[chain] = static_cast<int>(spare_.size()) - 1;
  }
  pool_.swap(spare_);
  free_ = -1;
  free_count_ = 0;
  placed_since_compact_ = 0;
}

void SegmentChains::clear(int chain) {
  while (first_[chain] >= 0) pop_first(chain);
}

void SegmentChains::reverse(int chain) {
  int s = first_[chain], prev = -1;
  first_[chain] = last_[chain];
  last_[chain] = s;
  while (s >= 0) {
    const int next = pool_[s].next;
    pool_[s].next = prev;
    prev = s;
    s = next;
  }
}

}  // namespace orv::wq
