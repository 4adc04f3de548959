// Text helpers shared by every reader of words: the INP reader, the command
// language, attribute symbols and the measurements reader.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Upper-cased copy (ASCII): keywords, attribute symbols, selection and zone
// names are compared this way.
std::string upper(std::string_view s);

}  // namespace orv
