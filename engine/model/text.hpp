// Text helpers shared by every reader of words: the INP reader, the command
// language, attribute symbols and the measurements reader.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv {

// Upper-cased copy (ASCII): keywords, attribute symbols, selection and zone
// names are compared this way.
std::string upper(std::string_view s);

// A finite decimal number, whatever the locale, with an optional leading
// sign; nothing for any other text (blanks included).
std::optional<double> parse_number(std::string_view text);

}  // namespace orv
