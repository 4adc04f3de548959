// The table of numeric attributes: symbol (at most 2 upper-case characters),
// 1-based index (position in the table), the kind of element it belongs to,
// its physical quantity (which fixes its display unit) and how its internal
// SI value is read and, for model data, written.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "model/element_type.hpp"
#include "model/model.hpp"
#include "results/results.hpp"

namespace orv {

// Which numbering an attribute's element index belongs to.
enum class Target { Node, Link, Tank };

// Values a model attribute accepts.
enum class Bound { Any, NonNegative, Positive };

enum class Quantity {
  None, Flow, Pressure, Length, Diameter, Velocity, UnitHeadloss, Volume, Roughness,
  Emitter, Quality, Setting, Coordinate,
};

struct AttributeDef {
  std::string_view symbol;
  std::string_view description;
  Target target;
  Quantity quantity;
  // Result column, when the attribute is a stored simulation result.
  std::optional<NodeAttr> node_column;
  std::optional<LinkAttr> link_column;
  std::optional<TankAttr> tank_column;
  // Value computed from the model (and, when `needs_results`, the results at
  // one step), SI. Null for the plain result columns.
  double (*compute)(const Model &, const Results *, std::size_t step, int index);
  bool needs_results;
  // Writes a model value (SI); null for read-only attributes.
  void (*assign)(Model &, int index, double value);
  Bound bound = Bound::Any;
};

std::span<const AttributeDef> attribute_table();
// Case-insensitive lookup by symbol; null when unknown.
const AttributeDef *find_attribute(std::string_view symbol);
// Lookup by 1-based index; null when out of range.
const AttributeDef *attribute_at(int index);
int attribute_index(const AttributeDef &def);

// Whether the attribute can be read for an element of the type: node
// attributes for nodes and tanks (a tank is a node), link attributes for
// links, tank attributes for tanks.
bool applies_to(const AttributeDef &def, ElementType type);

}  // namespace orv
