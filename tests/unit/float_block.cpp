// The results store's blocks must read as zero wherever nothing was written
// (quality columns of a run without quality are read as such), whether they
// came fresh from the system, from the heap, grew back after shrinking, or
// were emptied to take another run's results.
#include <doctest/doctest.h>

#include <cstddef>

#include "results/float_block.hpp"

namespace {

bool zero_from(const orv::FloatBlock &b, std::size_t first) {
  for (std::size_t i = first; i < b.size(); ++i)
    if (b[i] != 0.0f) return false;
  return true;
}

}  // namespace

TEST_CASE("float blocks read as zero until written, small or large, grown or regrown") {
  for (const std::size_t reserve : {std::size_t{0}, std::size_t{16}, std::size_t{1} << 20}) {
    orv::FloatBlock b;
    b.reserve(reserve);
    b.resize(1000);
    CHECK(zero_from(b, 0));
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = 1.0f + i;
    b.resize(400);
    b.resize(3000);  // past the written part, and beyond a small reserve
    CHECK(b[399] == 400.0f);
    CHECK(zero_from(b, 400));
    orv::FloatBlock copy = b;
    CHECK(copy.size() == 3000);
    CHECK(copy[0] == 1.0f);
    CHECK(zero_from(copy, 400));
    orv::FloatBlock moved = std::move(copy);
    CHECK(moved[399] == 400.0f);
    CHECK(copy.size() == 0);
    const float *storage = moved.data();
    moved.empty_keeping_storage();
    CHECK(moved.size() == 0);
    moved.resize(2000);
    CHECK(moved.data() == storage);
    CHECK(zero_from(moved, 0));
  }
}
