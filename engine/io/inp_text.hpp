// Lexical helpers of the INP format: tokens, numbers, durations and clock times.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv::inp {

struct Line {
  int number = 0;                   // 1-based line number in the file
  std::vector<std::string> tokens;  // fields before any ';'
  std::string comment;              // text after ';', trimmed
};

// Splits a line into whitespace-separated fields (a "quoted text" is one field)
// and its trailing comment.
Line split_line(std::string_view text, int number);

// Upper-case copy (ASCII).
std::string upper(std::string_view s);
// Case-insensitive keyword comparison; `keyword` is upper-case. Matches when
// the token starts with the first `min_len` letters of it (0 = whole word).
bool is_keyword(std::string_view token, std::string_view keyword, std::size_t min_len = 0);

// A finite decimal number, or nothing.
std::optional<double> parse_number(std::string_view s);

// Duration in seconds from "h", "h:mm", "h:mm:ss", or a number followed by an
// optional unit token (SEC, MIN, HOURS, DAYS; AM/PM for clock times).
std::optional<double> parse_duration(const std::string &value, const std::string &unit);
// Clock time in seconds after midnight ("6:30 AM", "18", "18:30").
std::optional<double> parse_clocktime(const std::string &value, const std::string &ampm);

// "h:mm:ss" form of a duration.
std::string format_duration(double seconds);
// "h:mm:ss AM|PM" form of a clock time.
std::string format_clocktime(double seconds);
// Decimal text of a value with 15 significant digits.
std::string format_number(double v);

}  // namespace orv::inp
