// Times written as text: "H", "H.h", "H:MM" or "H:MM:SS", with an optional
// unit word after them (SEC, MIN, HOURS, DAYS, or AM/PM for clock times).
// The one reader of times for network files, commands and measurement files.
#pragma once

#include <optional>
#include <string_view>

namespace orv {

// A time in a network file, read as the format's engines read it: empty
// fields between colons are skipped and a fourth field ignored, minutes and
// seconds may exceed 59, a unit word counts by its first three letters and
// only after a plain number, and AM/PM may follow any time. Hours, or nothing
// when malformed; a negative value is left to the caller to refuse.
std::optional<double> parse_file_hours(std::string_view time, std::string_view unit);

// A time typed by people (commands, measurement files), read strictly: at
// most three fields, minutes and seconds below 60, nothing negative. Hours.
std::optional<double> parse_typed_hours(std::string_view time);

// Seconds of a typed time and an optional unit word: SEC(ONDS)/S, MIN(UTES)/M,
// HOUR(S)/H, DAY(S)/D, scaling an "H:MM" form too ("1:30 MIN" is 90 s), and,
// for a clock time, AM/PM after 1 to 12:59:59.
std::optional<double> parse_typed_seconds(std::string_view time, std::string_view unit, bool clock);

}  // namespace orv
