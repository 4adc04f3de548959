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
  const double sg = m.options.specific_gravity;
  const std::string &pu = m.options.pressure_units;
  if (m.us_units() || pu == "PSI") return kPsiPerFoot / kFoot * sg;
  if (pu == "KPA") return kPsiPerFoot / kFoot * kKpaPerPsi * sg;
  return 1.0;  // metres of head, whatever the fluid's gravity
}

double emitter(const Model &m) {
  // q = C p^e: C_display = C_SI * flow / pressure^e
  return flow(m.options.flow_units) / std::pow(pressure(m), m.options.emitter_exponent);
}

const char *flow_name(FlowUnits u) {
  static const char *names[] = {"CFS", "GPM", "MGD", "IMGD", "AFD", "LPS",
                                "LPM", "MLD", "CMH", "CMD", "CMS"};
  return names[static_cast<int>(u)];
}

const char *pressure_name(const Model &m) {
  const std::string &pu = m.options.pressure_units;
  if (m.us_units() || pu == "PSI") return "psi";
  if (pu == "KPA") return "kPa";
  return "m";
}

}  // namespace orv::units
