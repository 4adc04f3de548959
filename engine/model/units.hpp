// Units and physical constants, and the conversion factors between internal
// SI units and the display units of a model. Multiply an internal value by
// the factor to get the display value.
#pragma once

#include <numbers>
#include <optional>
#include <span>
#include <string_view>

#include "model/model.hpp"

namespace orv::units {

inline constexpr double kFoot = 0.3048;                       // m
inline constexpr double kCubicFoot = kFoot * kFoot * kFoot;   // m3
inline constexpr double kWattsPerHorsepower = 745.7;
inline constexpr double kSecondsPerDay = 86400.0;
inline constexpr double kLitresPerCubicMetre = 1000.0;
// Kinematic viscosity of water at 20 C (m2/s), the customary 1.1e-5 ft2/s;
// a model's VISCOSITY option is relative to it.
inline constexpr double kWaterViscosity = 1.1e-5 * kFoot * kFoot;
// Acceleration of gravity, the customary 32.2 ft/s2 (m/s2).
inline constexpr double kGravity = 32.2 * kFoot;

// Cross-section of a pipe of diameter d.
inline constexpr double circle_area(double d) { return std::numbers::pi * d * d / 4.0; }
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
inline double power(bool us) { return us ? 1.0 / kWattsPerHorsepower : 0.001; }
// hp or kW -> W (the exact inverse, as files are read).
inline double power_to_si(bool us) { return us ? kWattsPerHorsepower : 1000.0; }
// Darcy-Weisbach roughness: m -> millift or mm.
inline double dw_roughness(bool us) { return us ? 1000.0 / kFoot : 1000.0; }
// Emitter coefficient: (m3/s per m^e) -> (flow unit per pressure unit^e).
double emitter(const Model &m);
// Name of the display flow unit ("GPM", "LPS", ...).
const char *flow_name(FlowUnits u);
struct FlowUnitName {
  std::string_view name;
  FlowUnits units;
};
// Every flow unit with its name, in the order of FlowUnits.
std::span<const FlowUnitName> flow_unit_names();
// Name of the display pressure unit ("psi", "m", "kPa").
const char *pressure_name(const Model &m);

}  // namespace orv::units
