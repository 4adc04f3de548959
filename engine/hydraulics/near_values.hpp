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

// x^E for x > 0; the exponent is a constant of the friction law, so the
// series' coefficients are too.
template <double E>
inline double power_near(ExpansionPoint &p, double x) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach) {  // binomial series to u^4
      constexpr double c1 = E, c2 = c1 * (E - 1.0) / 2.0, c3 = c2 * (E - 2.0) / 3.0, c4 = c3 * (E - 3.0) / 4.0;
      return p.value * (1.0 + u * (c1 + u * (c2 + u * (c3 + u * c4))));
    }
  }
  p.value = std::pow(x, E);
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
