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

// Coefficients of (1 + u)^E = 1 + c[1] u + c[2] u^2 + ...
template <double E>
constexpr std::array<double, kExpansionTerms + 1> binomial_coefficients() {
  std::array<double, kExpansionTerms + 1> c{};
  c[0] = 1.0;
  for (int k = 1; k <= kExpansionTerms; ++k) c[k] = c[k - 1] * (E - (k - 1)) / k;
  return c;
}

// Horner's rule for c[0] + c[1] u + ... + c[kExpansionTerms] u^kExpansionTerms.
inline double series(const std::array<double, kExpansionTerms + 1> &c, double u) {
  double sum = c[kExpansionTerms];
  for (int k = kExpansionTerms - 1; k >= 0; --k) sum = c[k] + u * sum;
  return sum;
}

// x^E for x > 0; the exponent is a constant of the friction law, so the
// series' coefficients are too.
template <double E>
inline double power_near(ExpansionPoint &p, double x) {
  if (p.inverse_x > 0) {
    const double u = x * p.inverse_x - 1.0;
    if (std::abs(u) < kExpansionReach) {
      static constexpr auto c = binomial_coefficients<E>();
      return p.value * series(c, u);
    }
  }
  p.value = std::pow(x, E);
  p.inverse_x = x > 0 ? 1.0 / x : 0.0;
  return p.value;
}

// Coefficients of log10(1 + u) = (u - u^2/2 + u^3/3 - ...) / ln 10.
constexpr std::array<double, kExpansionTerms + 1> log10_coefficients() {
  std::array<double, kExpansionTerms + 1> c{};
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
