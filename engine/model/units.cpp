#include "model/units.hpp"

#include <cmath>

namespace orv::units {

double flow(FlowUnits u) {
  // Display units per cubic foot per second, from the customary table of the
  // INP format. Its metric entries differ from exact SI by a few parts per
  // million; following the table keeps results identical to other engines.
  double per_cfs = 1.0;
  switch (u) {
    case FlowUnits::CFS: per_cfs = 1.0; break;
    case FlowUnits::GPM: per_cfs = 448.831; break;
    case FlowUnits::MGD: per_cfs = 0.64632; break;
    case FlowUnits::IMGD: per_cfs = 0.5382; break;
    case FlowUnits::AFD: per_cfs = 1.9837; break;
    case FlowUnits::LPS: per_cfs = 28.317; break;
    case FlowUnits::LPM: per_cfs = 1699.0; break;
    case FlowUnits::MLD: per_cfs = 2.4466; break;
    case FlowUnits::CMH: per_cfs = 101.94; break;
    case FlowUnits::CMD: per_cfs = 2446.6; break;
    case FlowUnits::CMS: per_cfs = 0.028317; break;
  }
  return per_cfs / kCubicFoot;
}

double pressure(const Model &m) {
  // The pressure unit is chosen apart from the flow unit; without one, psi
  // goes with US flow units and metres with metric ones.
  const double sg = m.options.specific_gravity;
  const std::string &pu = m.options.pressure_units;
  if (pu == "KPA") return kPsiPerFoot / kFoot * kKpaPerPsi * sg;
  if (pu == "BAR") return kPsiPerFoot / kFoot * kBarPerPsi * sg;
  if (pu == "FEET") return 1.0 / kFoot;
  if (pu == "METERS") return 1.0;  // metres of head, whatever the fluid's gravity
  if (pu == "PSI" || m.us_units()) return kPsiPerFoot / kFoot * sg;
  return 1.0;
}

double emitter(const Model &m) {
  // q = C p^e: C_display = C_SI * flow / pressure^e, the pressure in psi with
  // US flow units and in metres with metric ones, whatever unit pressures
  // are shown in.
  const double p = m.us_units() ? kPsiPerFoot / kFoot * m.options.specific_gravity : 1.0;
  return flow(m.options.flow_units) / std::pow(p, m.options.emitter_exponent);
}

namespace {
constexpr FlowUnitName kFlowUnitNames[] = {
    {"CFS", FlowUnits::CFS}, {"GPM", FlowUnits::GPM}, {"MGD", FlowUnits::MGD}, {"IMGD", FlowUnits::IMGD},
    {"AFD", FlowUnits::AFD}, {"LPS", FlowUnits::LPS}, {"LPM", FlowUnits::LPM}, {"MLD", FlowUnits::MLD},
    {"CMH", FlowUnits::CMH}, {"CMD", FlowUnits::CMD}, {"CMS", FlowUnits::CMS}};
}  // namespace

std::span<const FlowUnitName> flow_unit_names() { return kFlowUnitNames; }

const char *flow_name(FlowUnits u) { return kFlowUnitNames[static_cast<int>(u)].name.data(); }

const char *pressure_name(const Model &m) {
  const std::string &pu = m.options.pressure_units;
  if (pu == "KPA") return "kPa";
  if (pu == "BAR") return "bar";
  if (pu == "FEET") return "ft";
  if (pu == "METERS") return "m";
  if (pu == "PSI" || m.us_units()) return "psi";
  return "m";
}

}  // namespace orv::units
