// Parcel chains must keep every chain's parcels, in order, through pushes,
// pops, reversals and the compaction that lays them out again: a parcel lost
// or swapped there would move water between pipes without any mass-balance
// failure being loud about it.
#include <doctest/doctest.h>

#include <algorithm>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include "quality/segments.hpp"

namespace {

using Chain = std::deque<std::pair<double, double>>;  // (volume, quality), first to last

Chain read(const orv::wq::SegmentChains &chains, int chain) {
  Chain out;
  for (int s = chains.first(chain); s >= 0; s = chains.at(s).next) out.emplace_back(chains.at(s).v, chains.at(s).c);
  if (!out.empty()) CHECK(chains.at(chains.last(chain)).next == -1);
  return out;
}

}  // namespace

TEST_CASE("parcel chains keep their parcels in order through pushes, pops, reversals and compaction") {
  constexpr int kChains = 5;
  orv::wq::SegmentChains chains(kChains);
  std::vector<Chain> expected(kChains);
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> pick(0, kChains - 1), action(0, 9);
  for (int i = 0; i < 20000; ++i) {
    const int k = pick(rng);
    const int a = action(rng);
    if (a < 5) {
      chains.push_last(k, i, -i);
      expected[k].emplace_back(i, -i);
    } else if (a < 8) {
      chains.pop_first(k);
      if (!expected[k].empty()) expected[k].pop_front();
    } else if (a == 8) {
      chains.reverse(k);
      std::reverse(expected[k].begin(), expected[k].end());
    } else {
      chains.compact();
    }
    if (i % 997 == 0)
      for (int c = 0; c < kChains; ++c) REQUIRE(read(chains, c) == expected[c]);
  }
  chains.compact();
  std::size_t total = 0;
  for (int c = 0; c < kChains; ++c) {
    CHECK(read(chains, c) == expected[c]);
    total += expected[c].size();
  }
  CHECK(chains.segments_in_use() == total);
}

TEST_CASE("chains count as scattered once a quarter of their segments were placed since compaction") {
  orv::wq::SegmentChains chains(2);
  for (int i = 0; i < 100; ++i) chains.push_last(i % 2, 1.0, 0.0);
  chains.compact();
  CHECK_FALSE(chains.scattered());
  for (int i = 0; i < 24; ++i) {
    chains.pop_first(0);
    chains.push_last(1, 1.0, 0.0);
  }
  CHECK_FALSE(chains.scattered());  // 24 of 100
  chains.pop_first(0);
  chains.push_last(1, 1.0, 0.0);
  CHECK(chains.scattered());  // 25 of 100
  chains.compact();
  CHECK_FALSE(chains.scattered());
}
