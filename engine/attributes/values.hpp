// Reading and writing attribute values of elements, in display units: one
// value at a step, one element's series over all steps, the whole-network
// vector at a step, and per-element extremes over all steps.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "attributes/attribute_table.hpp"
#include "session/session.hpp"

namespace orv {

// The attribute of a symbol or index, checked against the element type;
// throws Failure(UnknownAttribute).
const AttributeDef &attribute_for(std::string_view symbol, ElementType type);
const AttributeDef &attribute_for(int index, ElementType type);

// 0-based element index of an identifier or of a 1-based number; throws
// Failure(UnknownName) / Failure(BadArgument).
int element_by_id(const Model &m, ElementType type, std::string_view id);
int element_by_number(const Model &m, ElementType type, int number);

// Index of the element in the attribute's own numbering (a tank's node for
// node attributes read through the tank numbering).
int target_index(const Model &m, const AttributeDef &def, ElementType type, int element);

// Value at a step. Model attributes ignore the step; result attributes
// throw Failure(NoResults) without results.
float value_at(const Session &e, const AttributeDef &def, ElementType type, int element,
               std::size_t step);
// Value at the engine's chosen result instant.
float current_value(const Session &e, const AttributeDef &def, ElementType type, int element);
// Values at every result step (model attributes: constant, one per step).
std::vector<float> element_series(const Session &e, const AttributeDef &def, ElementType type,
                                  int element);
// Values of every element of the type at the chosen instant.
std::vector<float> network_vector(const Session &e, const AttributeDef &def, ElementType type);

struct ElementExtremes {
  std::vector<float> min, max, mean;           // display units
  std::vector<float> min_hours, max_hours;     // first instant reaching the extreme
};
ElementExtremes network_extremes(const Session &e, const AttributeDef &def, ElementType type);

// Writes a model attribute given in display units; throws
// Failure(UnknownAttribute) for result attributes, Failure(BadArgument) for
// values the model cannot hold.
void assign_value(Model &m, const AttributeDef &def, ElementType type, int element, float value);

}  // namespace orv
