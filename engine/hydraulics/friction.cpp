#include "hydraulics/friction.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hydraulics/constants.hpp"

namespace orv::hyd {

namespace {
// Re^0.9 of the Swamee-Jain friction factor.
constexpr PowerSeries kReynoldsPower = power_series(0.9);
}  // namespace

void darcy_friction(double re, double relative_roughness, double &f, double &dfdre, ExpansionPoint *near) {
  constexpr double ln10 = std::numbers::ln10;
  if (re >= 4000.0) {
    const double y1 = 5.74 / (near ? power_near(near[0], re, kReynoldsPower) : std::pow(re, 0.9));
    const double y2 = relative_roughness / 3.7 + y1;
    const double y3 = near ? log10_near(near[1], y2) : std::log10(y2);
    f = 0.25 / (y3 * y3);
    // df/dRe = -0.5 y3^-3 / (y2 ln10) * dy1/dRe, dy1/dRe = -0.9 y1 / Re
    dfdre = -0.5 / (y3 * y3 * y3) / (y2 * ln10) * (-0.9 * y1 / re);
  } else if (re > 2000.0) {
    const double y2 = relative_roughness / 3.7 + 5.74 / std::pow(4000.0, 0.9);
    // y2 depends on the pipe alone here: its logarithm is remembered too.
    const double y3 = -2.0 * (near ? log10_near(near[1], y2) : std::log10(y2));
    const double fa = 1.0 / (y3 * y3);
    const double fb = (2.0 + 1.8 * (5.74 / std::pow(4000.0, 0.9)) * (-2.0 / ln10) / (y2 * y3)) * fa;
    const double r = re / 2000.0;
    const double x1 = 7.0 * fa - fb;
    const double x2 = 0.128 - 17.0 * fa + 2.5 * fb;
    const double x3 = -0.128 + 13.0 * fa - 2.0 * fb;
    const double x4 = 0.032 - 3.0 * fa + 0.5 * fb;
    f = x1 + r * (x2 + r * (x3 + r * x4));
    dfdre = (x2 + r * (2.0 * x3 + r * 3.0 * x4)) / 2000.0;
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
