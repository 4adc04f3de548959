// System variables read by sGetSysVar: counts, file names, settings, the
// engine version and the last error.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session/session.hpp"

namespace orv::commands {

// Text of a variable (name case-insensitive); throws Failure(UnknownName).
std::string system_variable(const Session &e, std::string_view name);

}  // namespace orv::commands
