#include "analysis/shear_stress.hpp"

#include <cmath>
#include <numbers>

#include "core/status.hpp"
#include "hydraulics/constants.hpp"

namespace orv::analysis {
namespace {

using hyd::kCfs;
using hyd::kFt;
using hyd::kGravity;

// Darcy friction factor at Reynolds number re and its derivative d f / d re,
// the relation used by the hydraulic solver.
void friction_factor(double re, double relative_roughness, double &f, double &dfdre) {
  const double ln10 = std::log(10.0);
  if (re >= 4000.0) {
    const double y1 = 5.74 / std::pow(re, 0.9);
    const double y2 = relative_roughness / 3.7 + y1;
    const double y3 = std::log10(y2);
    f = 0.25 / (y3 * y3);
    dfdre = -0.5 / (y3 * y3 * y3) / (y2 * ln10) * (-0.9 * y1 / re);
  } else if (re > 2000.0) {
    const double y2 = relative_roughness / 3.7 + 5.74 / std::pow(4000.0, 0.9);
    const double y3 = -2.0 / ln10 * std::log(y2);
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
    f = 64.0 / re;
    dfdre = -f / re;
  }
}

}  // namespace

WallShear wall_shear(const Model &m, int link, double v, double rho) {
  const Link &l = m.links[link];
  if (l.kind != LinkKind::Pipe && l.kind != LinkKind::CVPipe)
    throw Failure(Status::BadArgument, "branch '" + l.id + "' is not a pipe");
  const double d = l.diameter;
  if (!(d > 0)) throw Failure(Status::BadArgument, "pipe '" + l.id + "' has no diameter");
  const HeadlossFormula formula = m.options.headloss;
  if (formula != HeadlossFormula::DarcyWeisbach && !(l.roughness > 0))
    throw Failure(Status::BadArgument, "pipe '" + l.id + "' has no roughness");
  const double area = std::numbers::pi * d * d / 4.0;
  WallShear out;
  switch (formula) {
    case HeadlossFormula::DarcyWeisbach: {
      const double nu = hyd::kViscosity * m.options.viscosity;
      if (v <= 0) {  // laminar limit: tau = 8 rho nu v / D
        out.derivative = 8.0 * rho * nu / d;
        break;
      }
      double f, dfdre;
      friction_factor(v * d / nu, l.roughness / d, f, dfdre);
      out.stress = rho * f * v * v / 8.0;
      out.derivative = rho / 8.0 * (2.0 * f * v + v * v * dfdre * d / nu);
      break;
    }
    case HeadlossFormula::HazenWilliams: {
      const double slope = hyd::kHw * std::pow(v * area, hyd::kHwExponent) /
                           (std::pow(l.roughness, hyd::kHwExponent) * std::pow(d, 4.871));
      out.stress = rho * kGravity * d / 4.0 * slope;
      out.derivative = v > 0 ? hyd::kHwExponent * out.stress / v : 0.0;
      break;
    }
    case HeadlossFormula::ChezyManning: {
      const double dft = d / kFt;
      const double qcfs = v * area / kCfs;
      const double slope = std::pow(4.0 * l.roughness / (1.49 * std::numbers::pi * dft * dft), 2) *
                           std::pow(dft / 4.0, -1.333) * qcfs * qcfs;
      out.stress = rho * kGravity * d / 4.0 * slope;
      out.derivative = v > 0 ? 2.0 * out.stress / v : 0.0;
      break;
    }
  }
  return out;
}

}  // namespace orv::analysis
