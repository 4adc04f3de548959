// Whole-vector tests of the solver's values, a pair of values per
// instruction where the compiler has vector types: tested one at a time, the
// branch on each value cost as much as the work it guards.
#pragma once

#include <cmath>
#include <cstring>
#include <span>

namespace orv::hyd {

// True if every value is finite and, when `nonzero`, none is zero.
inline bool all_finite(std::span<const double> x, bool nonzero = false) {
  std::size_t k = 0;
  bool ok = true;
#if defined(__GNUC__)
  using Pair = double __attribute__((vector_size(16)));
  using Mask = long long __attribute__((vector_size(16)));
  Pair spread{0.0, 0.0};  // v - v is +0 for a finite v and NaN otherwise
  Mask zero{0, 0};
  for (; k + 2 <= x.size(); k += 2) {
    Pair v;
    std::memcpy(&v, x.data() + k, sizeof v);
    spread += v - v;
    zero |= v == Pair{0.0, 0.0};
  }
  ok = spread[0] == 0.0 && spread[1] == 0.0 && !(nonzero && (zero[0] | zero[1]));
#endif
  for (; k < x.size(); ++k) ok &= std::isfinite(x[k]) && !(nonzero && x[k] == 0.0);
  return ok;
}

}  // namespace orv::hyd
