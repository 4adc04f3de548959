#include "hydraulics/friction.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hydraulics/constants.hpp"

namespace orv::hyd {

void darcy_friction(double re, double relative_roughness, double &f, double &dfdre, ExpansionPoint *near) {
  constexpr double ln10 = std::numbers::ln10;
  if (re >= kTurbulentReynolds) {
    const SwameeJainTerms t =
        swamee_jain_terms(relative_roughness, near ? power_near(near[0], re, kReynoldsPower) : std::pow(re, 0.9));
    swamee_jain(re, t, near ? log10_near(near[1], t.y2) : std::log10(t.y2), f, dfdre);
  } else if (re > kLaminarReynolds) {
    // Swamee-Jain's terms where turbulence begins; they depend on the pipe
    // alone here, and the logarithm is remembered too.
    const SwameeJainTerms t = swamee_jain_terms(relative_roughness, std::pow(kTurbulentReynolds, 0.9));
    const double y3 = -2.0 * (near ? log10_near(near[1], t.y2) : std::log10(t.y2));
    const double fa = 1.0 / (y3 * y3);
    const double fb = (2.0 + 1.8 * t.y1 * (-2.0 / ln10) / (t.y2 * y3)) * fa;
    const double r = re / kLaminarReynolds;
    const double x1 = 7.0 * fa - fb;
    const double x2 = 0.128 - 17.0 * fa + 2.5 * fb;
    const double x3 = -0.128 + 13.0 * fa - 2.0 * fb;
    const double x4 = 0.032 - 3.0 * fa + 0.5 * fb;
    f = x1 + r * (x2 + r * (x3 + r * x4));
    dfdre = (x2 + r * (2.0 * x3 + r * 3.0 * x4)) / kLaminarReynolds;
  } else {
    const double laminar_re = std::max(re, 1e-12);
    f = 64.0 / laminar_re;
    dfdre = -f / laminar_re;
  }
}

double hazen_williams_resistance(double c, double d, double length) {
  return kHw * length / (std::pow(c, kHwExponent) * std::pow(d, 4.871));
}

double manning_resistance(double n, double d, double length) {
  // The customary formula in feet, converted to SI.
  const double dft = d / kFt, lft = length / kFt;
  const double r = std::pow(4.0 * n / (1.49 * std::numbers::pi * dft * dft), 2) * std::pow(dft / 4.0, -1.333) * lft;
  return r * kFt / (kCfs * kCfs);
}

}  // namespace orv::hyd
