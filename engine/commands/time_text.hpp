// Times, clock times and dates written in commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/session.hpp"

namespace orv::commands {

// A time span in seconds from its words: "H", "H.h", "H:MM" or "H:MM:SS",
// optionally followed by a unit (SEC, MIN, HOUR(S), DAY(S); hours by default)
// or, for clock times, AM/PM. Nullopt when malformed or negative.
std::optional<double> parse_duration(const std::vector<std::string> &words, bool clock = false);

// "YYYY-MM-DD" (a real calendar date between years 1 and 9999).
std::optional<CalendarDate> parse_date(const std::string &word);

// "YYYY-MM-DD HH:MM:SS" of a date plus seconds from its midnight.
std::string format_date_time(CalendarDate date, double seconds);

}  // namespace orv::commands
