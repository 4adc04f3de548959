// Transcendental functions evaluated again and again at arguments that barely
// move, as friction terms at successive trials of a converging solution. An
// ExpansionPoint remembers the value at the argument of the last exact
// evaluation; where the argument has moved by less than 1e-2 of itself, a
// series of eight terms about that point agrees with the exact function to
// rounding (the remainders stay below 1e-17 relative for the exponents of
// friction laws, between 0 and 2) at a fraction of the cost. The point moves
// only on an exact evaluation, so no error accumulates.
#pragma once

#include <array>
#include <cmath>
#include <numbers>

namespace orv::hyd {

struct ExpansionPoint {
  double inverse_x = 0;  // 0: nothing remembered
  double value = 0;
};

inline constexpr double kExpansionReach = 1e-2;
inline constexpr int kExpansionTerms = 8;

using SeriesCoefficients = std::array<double, kExpansionTerms + 1>;

// x^exponent about a remembered point: the exponent and the coefficients of
// (1 + u)^exponent = 1 + c[1] u + c[2] u^2 + ..., fixed at compile time for
// each friction law.
struct PowerSeries {
  double exponent;
  SeriesCoefficients c;
};

constexpr PowerSeries power_series(double exponent) {
  PowerSeries s{exponent, {}};
  s.c[0] = 1.0;
  for (int k = 1; k <= kExpansionTerms; ++k) s.c[k] = s.c[k - 1] * (exponent - (k - 1)) / k;
  return s;
}

// c[0] + c[1] u + ... + c[8] u^8 with the powers of u in pairs (Estrin's
// scheme), so that the chain of dependent operations is half as long as
// Horner's rule makes it: this runs at every pipe of every trial. The small
// terms are summed before c[0] is added, so that only that last sum rounds
// at the size of the result.
inline double series(const SeriesCoefficients &c, double u) {
  static_assert(kExpansionTerms == 8);
  const double u2 = u * u, u4 = u2 * u2;
  const double high = (c[4] + c[5] * u) + (u2 * (c[6] + c[7] * u) + u4 * c[8]);
  return c[0] + (c[1] * u + (u2 * (c[2] + c[3] * u) + u4 * high));
}

// x^exponent for x > 0.
inline double power_near(ExpansionPoint &p, double x, const PowerSeries &power) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach) return p.value * series(power.c, u);
  }
  p.value = std::pow(x, power.exponent);
  p.inverse_x = x > 0 ? 1.0 / x : 0.0;
  return p.value;
}

// Coefficients of log10(1 + u) = (u - u^2/2 + u^3/3 - ...) / ln 10.
constexpr SeriesCoefficients log10_coefficients() {
  SeriesCoefficients c{};
  for (int k = 1; k <= kExpansionTerms; ++k) c[k] = (k % 2 ? 1.0 : -1.0) / k / std::numbers::ln10;
  return c;
}

// log10 x for x > 0.
inline double log10_near(ExpansionPoint &p, double x) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach) {
      static constexpr auto c = log10_coefficients();
      return p.value + series(c, u);
    }
  }
  p.value = std::log10(x);
  p.inverse_x = x > 0 ? 1.0 / x : 0.0;
  return p.value;
}

}  // namespace orv::hyd
