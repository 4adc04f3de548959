// The solver's vector-wide finiteness test decides whether a factorisation
// or a solution is usable: a value missed anywhere (either half of a pair,
// or the odd one at the end) would let infinities into the heads.
#include <doctest/doctest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "hydraulics/finite_values.hpp"

using orv::hyd::all_finite;

TEST_CASE("every position of a vector is tested for finiteness and, on request, for zero") {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const double tiny = std::numeric_limits<double>::denorm_min(), big = std::numeric_limits<double>::max();
  CHECK(all_finite({}));
  CHECK(all_finite({}, true));
  for (const std::size_t n : {1u, 2u, 3u, 4u, 7u}) {
    std::vector<double> x(n, 1.5);
    x[0] = -big;
    x[n - 1] = tiny;
    CHECK(all_finite(x, true));
    for (std::size_t k = 0; k < n; ++k) {
      for (const double bad : {inf, -inf, nan}) {
        std::vector<double> y = x;
        y[k] = bad;
        CHECK_MESSAGE(!all_finite(y), "n = " << n << ", position " << k << ", value " << bad);
        CHECK(!all_finite(y, true));
      }
      for (const double zero : {0.0, -0.0}) {
        std::vector<double> y = x;
        y[k] = zero;
        CHECK(all_finite(y));
        CHECK_MESSAGE(!all_finite(y, true), "n = " << n << ", position " << k << ", value " << zero);
      }
    }
  }
}
