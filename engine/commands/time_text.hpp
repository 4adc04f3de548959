// Times, clock times and dates written in commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "session/session.hpp"

namespace orv::commands {

// A time span in seconds from its words: a time and an optional unit word, as
// typed text is read (model/time_span.hpp). Nullopt when malformed.
std::optional<double> parse_duration(const std::vector<std::string> &words, bool clock = false);

// "YYYY-MM-DD" (a real calendar date between years 1 and 9999).
std::optional<CalendarDate> parse_date(const std::string &word);

// "YYYY-MM-DD HH:MM:SS" of a date plus seconds from its midnight.
std::string format_date_time(CalendarDate date, double seconds);

}  // namespace orv::commands
