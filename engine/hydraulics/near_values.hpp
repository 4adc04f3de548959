// Transcendental functions evaluated again and again at arguments that barely
// move, as friction terms at successive trials of a converging solution. An
// ExpansionPoint remembers the value at the argument of the last exact
// evaluation; where the argument has moved by less than 1e-3 of itself, a
// series of four terms about that point agrees with the exact function to
// rounding (the remainders stay below 3e-17 relative for the exponents of
// friction laws, between 0 and 2) at a fraction of the cost. The point moves
// only on an exact evaluation, so no error accumulates.
#pragma once

#include <cmath>
#include <numbers>

namespace orv::hyd {

struct ExpansionPoint {
  double inverse_x = 0;  // 0: nothing remembered
  double value = 0;
};

inline constexpr double kExpansionReach = 1e-3;

// x^e for x > 0.
inline double power_near(ExpansionPoint &p, double x, double e) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach)  // binomial series to u^4
      return p.value *
             (1.0 + e * u * (1.0 + (e - 1.0) / 2.0 * u * (1.0 + (e - 2.0) / 3.0 * u * (1.0 + (e - 3.0) / 4.0 * u))));
  }
  p.value = std::pow(x, e);
  p.inverse_x = x > 0 ? 1.0 / x : 0.0;
  return p.value;
}

// log10 x for x > 0.
inline double log10_near(ExpansionPoint &p, double x) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach)
      return p.value + u * (1.0 - u * (1.0 / 2.0 - u * (1.0 / 3.0 - u * (1.0 / 4.0 - u / 5.0)))) *
                           (1.0 / std::numbers::ln10);  // ln(1 + u) to u^5
  }
  p.value = std::log10(x);
  p.inverse_x = x > 0 ? 1.0 / x : 0.0;
  return p.value;
}

}  // namespace orv::hyd
