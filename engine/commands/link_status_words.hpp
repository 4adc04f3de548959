// The initial status of a link set by command: SET BRANCH <id> STATUS
// OPEN | CLOSED | ACTIVE, with the meaning of a line of the STATUS section.
#pragma once

#include <string_view>

#include "model/model.hpp"

namespace orv::commands {

// Throws Failure(BadArgument) for a word other than OPEN, CLOSED, ACTIVE, for
// a check-valve pipe (its status follows the flow) and for ACTIVE on a pipe
// or a pump (only valves regulate).
void set_initial_status(Link &link, std::string_view word);

}  // namespace orv::commands
