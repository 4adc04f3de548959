// Conversion factors between internal SI units and the display units of a model.
// Multiply an internal value by the factor to get the display value.
#pragma once

#include "model/model.hpp"

namespace orv::units {

inline constexpr double kFoot = 0.3048;                       // m
inline constexpr double kCubicFoot = kFoot * kFoot * kFoot;   // m3
inline constexpr double kPsiPerFoot = 0.4333;                 // psi per ft of water
inline constexpr double kKpaPerPsi = 6.895;
inline constexpr double kBarPerPsi = 0.068948;

// m3/s -> display flow unit.
double flow(FlowUnits u);
// m -> ft or m (elevations, heads, levels, lengths).
inline double length(bool us) { return us ? 1.0 / kFoot : 1.0; }
// m -> in or mm (diameters).
inline double diameter(bool us) { return us ? 12.0 / kFoot : 1000.0; }
// m of water head -> psi, m or kPa according to the model (specific gravity included).
double pressure(const Model &m);
// m3 -> ft3 or m3.
inline double volume(bool us) { return us ? 1.0 / kCubicFoot : 1.0; }
// m/s -> ft/s or m/s.
inline double velocity(bool us) { return us ? 1.0 / kFoot : 1.0; }
// W -> hp or kW.
inline double power(bool us) { return us ? 1.0 / 745.7 : 0.001; }
// Darcy-Weisbach roughness: m -> millift or mm.
inline double dw_roughness(bool us) { return us ? 1000.0 / kFoot : 1000.0; }
// Emitter coefficient: (m3/s per m^e) -> (flow unit per pressure unit^e).
double emitter(const Model &m);
// Name of the display flow unit ("GPM", "LPS", ...).
const char *flow_name(FlowUnits u);
// Name of the display pressure unit ("psi", "m", "kPa").
const char *pressure_name(const Model &m);

}  // namespace orv::units
