// A pipe's reaction takes a shorter path for the usual first-order bulk
// decay; every parcel must come out of it exactly as out of the general one,
// or results would depend on which model a file happens to state.
#include <doctest/doctest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "quality/kinetics.hpp"

TEST_CASE("first-order bulk reactions take the general path's arithmetic") {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> quality(-0.5, 4.0), coefficient(-1e-3, 1e-3), step(1.0, 3600.0);
  int shortcut = 0;
  for (int i = 0; i < 20000; ++i) {
    orv::wq::PipeReaction fast{false, step(rng), coefficient(rng), 1.0, 0.0, 0.0, 0.3, 0.0, false};
    shortcut += fast.first_order_bulk_only;
    orv::wq::PipeReaction general = fast;
    general.first_order_bulk_only = false;
    for (const double c : {quality(rng), 0.0, -0.0, 1e-300}) {
      const double a = fast(c), b = general(c);
      CHECK_MESSAGE(std::memcmp(&a, &b, sizeof a) == 0, "c = " << c << ": " << a << " against " << b);
    }
  }
  CHECK(shortcut == 20000);
  // Anything at the wall, a limit, another order or age: the general path.
  CHECK_FALSE((orv::wq::PipeReaction{false, 60, -1e-4, 1.0, 0.0, 1e-5, 0.3, 1e-5, false}.first_order_bulk_only));
  CHECK_FALSE((orv::wq::PipeReaction{false, 60, -1e-4, 1.0, 2.0, 0.0, 0.3, 0.0, false}.first_order_bulk_only));
  CHECK_FALSE((orv::wq::PipeReaction{false, 60, -1e-4, 2.0, 0.0, 0.0, 0.3, 0.0, false}.first_order_bulk_only));
  CHECK_FALSE((orv::wq::PipeReaction{true, 60, 0.0, 1.0, 0.0, 0.0, 0.3, 0.0, false}.first_order_bulk_only));
}
