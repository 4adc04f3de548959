// Display units of the attributes: the unit name and the factor from the
// internal SI value (display = SI x factor), fixed by the model's flow units
// (US customary or SI system), pressure units and head-loss formula.
#pragma once

#include <string>

#include "attributes/attribute_table.hpp"

namespace orv {

struct DisplayUnit {
  std::string name;
  double factor = 1.0;
};

DisplayUnit display_unit(const Model &m, Quantity q);

// Factor of one element's value: as display_unit, except for settings, whose
// unit depends on the device (pressure for PRV/PSV/PBV, flow for FCV).
double display_factor(const Model &m, const AttributeDef &def, int target_index);

}  // namespace orv
