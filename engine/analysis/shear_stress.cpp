#include "analysis/shear_stress.hpp"

#include <cmath>
#include <numbers>

#include "model/status.hpp"
#include "hydraulics/constants.hpp"
#include "hydraulics/friction.hpp"

namespace orv::analysis {
namespace {

using hyd::kCfs;
using hyd::kFt;
using hyd::kGravity;

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
      hyd::darcy_friction(v * d / nu, l.roughness / d, f, dfdre);
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
