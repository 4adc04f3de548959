// Words naming element types in commands.
#pragma once

#include "commands/arguments.hpp"
#include "model/element_type.hpp"

namespace orv::commands {

// NODE(S), BRANCH(ES) (or LINK(S)), TANK(S).
ElementType element_type_word(Arguments &a);

}  // namespace orv::commands
