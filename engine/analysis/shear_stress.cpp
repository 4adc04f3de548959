#include "analysis/shear_stress.hpp"

#include <cmath>

#include "hydraulics/constants.hpp"
#include "hydraulics/friction.hpp"
#include "model/status.hpp"
#include "model/units.hpp"

namespace orv::analysis {

using units::kGravity;

WallShear wall_shear(const Model &m, int link, double v, double rho) {
  const Link &l = m.links[link];
  if (l.kind != LinkKind::Pipe && l.kind != LinkKind::CVPipe)
    throw Failure(Status::BadArgument, "branch '" + l.id + "' is not a pipe");
  const double d = l.diameter;
  if (!(d > 0)) throw Failure(Status::BadArgument, "pipe '" + l.id + "' has no diameter");
  const HeadlossFormula formula = m.options.headloss;
  if (formula != HeadlossFormula::DarcyWeisbach && !(l.roughness > 0))
    throw Failure(Status::BadArgument, "pipe '" + l.id + "' has no roughness");
  const double area = units::circle_area(d);
  WallShear out;
  switch (formula) {
    case HeadlossFormula::DarcyWeisbach: {
      const double nu = units::kWaterViscosity * m.options.viscosity;
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
      // Head loss per metre of pipe.
      const double slope = hyd::hazen_williams_resistance(l.roughness, d, 1.0) * std::pow(v * area, hyd::kHwExponent);
      out.stress = rho * kGravity * d / 4.0 * slope;
      out.derivative = v > 0 ? hyd::kHwExponent * out.stress / v : 0.0;
      break;
    }
    case HeadlossFormula::ChezyManning: {
      const double q = v * area;
      const double slope = hyd::manning_resistance(l.roughness, d, 1.0) * q * q;
      out.stress = rho * kGravity * d / 4.0 * slope;
      out.derivative = v > 0 ? 2.0 * out.stress / v : 0.0;
      break;
    }
  }
  return out;
}

}  // namespace orv::analysis
