#include "attributes/display_units.hpp"

#include <cmath>
#include <cstdio>

#include "model/units.hpp"

namespace orv {

DisplayUnit display_unit(const Model &m, Quantity q) {
  const bool us = m.us_units();
  switch (q) {
    case Quantity::None:
    case Quantity::Coordinate:
    case Quantity::Setting: return {"", 1.0};
    case Quantity::Flow:
      return {units::flow_name(m.options.flow_units), units::flow(m.options.flow_units)};
    case Quantity::Pressure: return {units::pressure_name(m), units::pressure(m)};
    case Quantity::Length: return {us ? "ft" : "m", units::length(us)};
    case Quantity::Diameter: return {us ? "in" : "mm", units::diameter(us)};
    case Quantity::Velocity: return {us ? "ft/s" : "m/s", units::velocity(us)};
    case Quantity::UnitHeadloss: return {us ? "ft/kft" : "m/km", 1.0};
    case Quantity::Volume: return {us ? "ft3" : "m3", units::volume(us)};
    case Quantity::Roughness:
      if (m.options.headloss == HeadlossFormula::DarcyWeisbach)
        return {us ? "millift" : "mm", units::dw_roughness(us)};
      return {"", 1.0};
    case Quantity::Emitter: {
      char exponent[32];
      std::snprintf(exponent, sizeof exponent, "%g", m.options.emitter_exponent);
      return {std::string(units::flow_name(m.options.flow_units)) + "/" +
                  units::pressure_name(m) + "^" + exponent,
              units::emitter(m)};
    }
    case Quantity::Quality:
      switch (m.options.quality) {
        // Quality results are stored in display units already.
        case QualityKind::Age: return {"hours", 1.0};
        case QualityKind::Trace: return {"%", 1.0};
        case QualityKind::Chemical:
          return {m.options.quality_units.empty() ? "mg/L" : m.options.quality_units, 1.0};
        case QualityKind::None: return {"", 1.0};
      }
  }
  return {"", 1.0};
}

double display_factor(const Model &m, const AttributeDef &def, int target_index) {
  if (def.quantity != Quantity::Setting) return display_unit(m, def.quantity).factor;
  switch (m.links[target_index].kind) {
    case LinkKind::PRV:
    case LinkKind::PSV:
    case LinkKind::PBV: return units::pressure(m);
    case LinkKind::FCV: return units::flow(m.options.flow_units);
    default: return 1.0;
  }
}

}  // namespace orv
