// Text attributes of elements (identifier, kind, end nodes, tag, zone, ...),
// read by StrAttrbyID / StrAttrbyNum.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session/session.hpp"

namespace orv {

// Text of a named attribute (case-insensitive) of an element (0-based);
// throws Failure(UnknownAttribute) for a name that is not a text attribute of
// the type.
std::string text_attribute(const Session &e, ElementType type, int element, std::string_view name);

}  // namespace orv
