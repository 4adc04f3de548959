// Element type codes of the C interface and the numbering behind each.
#pragma once

#include <optional>
#include <string>

#include "model/model.hpp"

namespace orv {

enum class ElementType : int { Link = 1, Node = 2, Tank = 3 };

// The element type of a C type code, or nullopt for an unknown code.
std::optional<ElementType> element_type(int code);
const char *element_type_name(ElementType t);

// Number of elements of a type in the model.
int element_count(const Model &m, ElementType t);
// 0-based index of an identifier within a type, or kNone.
int find_element(const Model &m, ElementType t, const std::string &id);
// Identifier of a 0-based index (which must be valid).
const std::string &element_id(const Model &m, ElementType t, int index);
// Node index of a tank index.
inline int tank_node(const Model &m, int tank) { return m.tanks[tank].node; }

}  // namespace orv
