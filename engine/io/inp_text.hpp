// Lexical helpers of the INP format: tokens, keywords, written numbers and times.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/text.hpp"

namespace orv::inp {

struct Line {
  int number = 0;                   // 1-based line number in the file
  std::vector<std::string> tokens;  // fields before any ';'
  std::string comment;              // text after the first ';', trimmed
};

// Splits a line into its comment (everything after the first ';', even one
// inside quotes, as the format's engines read it) and whitespace-separated
// fields, where a field starting with '"' runs to the next '"'.
Line split_line(std::string_view text, int number);

// Keyword test of the format: the token starts with `key` (upper-case),
// ignoring case. Keys are the abbreviations the format's engines look for
// ("DURA" matches DURATION, "PATT" matches PATTERN and PATTERNS).
bool match(std::string_view token, std::string_view key);

// Case-insensitive keyword comparison; `keyword` is upper-case. Matches when
// the token starts with the first `min_len` letters of it (0 = whole word).
bool is_keyword(std::string_view token, std::string_view keyword, std::size_t min_len = 0);

// "h:mm:ss" form of a duration.
std::string format_duration(double seconds);
// "h:mm:ss AM|PM" form of a clock time.
std::string format_clocktime(double seconds);
// Decimal text of a value with 15 significant digits.
std::string format_number(double v);
// A field as written: quoted when it is empty or holds blanks or starts
// with a quote, so that it reads back as one field.
std::string format_field(const std::string &s);

}  // namespace orv::inp
