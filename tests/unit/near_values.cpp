// The friction laws' expansions must agree with the exact functions to
// rounding wherever they are used instead of them, or results would depend
// on the path of the trials.
#include <doctest/doctest.h>

#include <cmath>
#include <random>

#include "hydraulics/constants.hpp"
#include "hydraulics/near_values.hpp"

namespace {

using orv::hyd::ExpansionPoint;
using orv::hyd::kExpansionReach;

// Distance in units of the last place of the exact value.
double ulps(double approx, double exact) {
  return std::abs(approx - exact) / (std::nextafter(std::abs(exact), INFINITY) - std::abs(exact));
}

double worst_power_error(std::mt19937_64 &rng, double exponent) {
  const orv::hyd::PowerSeries power = orv::hyd::power_series(exponent);
  std::uniform_real_distribution<double> exponent10(-8.0, 6.0), move(-kExpansionReach, kExpansionReach);
  double worst = 0;
  for (int i = 0; i < 100000; ++i) {
    const double x0 = std::pow(10.0, exponent10(rng)), x = x0 * (1.0 + move(rng) * 0.999);
    ExpansionPoint p;
    orv::hyd::power_near(p, x0, power);
    worst = std::max(worst, ulps(orv::hyd::power_near(p, x, power), std::pow(x, exponent)));
  }
  return worst;
}

}  // namespace

TEST_CASE("expansions agree with the exact functions to rounding within their reach") {
  std::mt19937_64 rng(7);
  CHECK(worst_power_error(rng, orv::hyd::kHwExponent - 1.0) < 4.0);
  CHECK(worst_power_error(rng, 0.9) < 4.0);
  std::uniform_real_distribution<double> exponent10(-6.0, -1.0), move(-kExpansionReach, kExpansionReach);
  double worst_log = 0;
  for (int i = 0; i < 100000; ++i) {
    // Arguments of the Swamee-Jain logarithm, roughness term plus 5.74/Re^0.9,
    // stay below 0.1 (Re above 4000).
    const double y0 = std::pow(10.0, exponent10(rng)), y = y0 * (1.0 + move(rng) * 0.999);
    ExpansionPoint p;
    orv::hyd::log10_near(p, y0);
    // Absolute error against the size of the logarithm's last place.
    const double exact = std::log10(y);
    worst_log = std::max(worst_log, std::abs(orv::hyd::log10_near(p, y) - exact) /
                                        (std::nextafter(std::abs(exact), INFINITY) - std::abs(exact)));
  }
  CHECK(worst_log < 4.0);
}

TEST_CASE("beyond their reach the exact functions are evaluated and remembered") {
  ExpansionPoint p;
  constexpr orv::hyd::PowerSeries power = orv::hyd::power_series(0.9);
  CHECK(orv::hyd::power_near(p, 2.0, power) == std::pow(2.0, 0.9));
  const double far = 2.0 * (1.0 + 2 * kExpansionReach);
  CHECK(orv::hyd::power_near(p, far, power) == std::pow(far, 0.9));
  CHECK(p.inverse_x == 1.0 / far);
}
