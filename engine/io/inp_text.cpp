#include "io/inp_text.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/units.hpp"

namespace orv::inp {

namespace {
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}
}  // namespace

Line split_line(std::string_view text, int number) {
  Line line;
  line.number = number;
  const std::size_t semicolon = text.find(';');
  if (semicolon != std::string_view::npos) {
    line.comment = std::string(trim(text.substr(semicolon + 1)));
    text = text.substr(0, semicolon);
  }
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (is_space(c)) { ++i; continue; }
    if (c == '"') {
      std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) end = text.size();
      line.tokens.emplace_back(text.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && !is_space(text[i])) ++i;
    line.tokens.emplace_back(text.substr(start, i - start));
  }
  return line;
}

bool match(std::string_view token, std::string_view key) {
  if (key.empty() || token.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(token[i])) != key[i]) return false;
  return true;
}

bool is_keyword(std::string_view token, std::string_view keyword, std::size_t min_len) {
  std::string t = upper(token);
  if (min_len == 0) return t == keyword;
  if (t.size() < min_len || t.size() > keyword.size()) return false;
  return keyword.substr(0, t.size()) == t;
}

std::string format_duration(double seconds) {
  long long s = std::llround(seconds);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
  return buf;
}

std::string format_clocktime(double seconds) {
  constexpr auto kDay = static_cast<long long>(units::kSecondsPerDay);
  long long s = std::llround(seconds) % kDay;
  if (s < 0) s += kDay;
  const bool pm = s >= 12 * 3600;
  long long h = (s / 3600) % 12;
  if (h == 0) h = 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld %s", h, (s % 3600) / 60, s % 60, pm ? "PM" : "AM");
  return buf;
}

std::string format_number(double v) {
  // 15 significant digits: enough for any value typed into a file, and it
  // absorbs the last-bit noise of unit conversions, so that writing back a
  // value read from a file gives the text it came from.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  if (std::strcmp(buf, "-0") == 0) return "0";
  return buf;
}

std::string format_field(const std::string &s) {
  bool quote = s.empty() || s.front() == '"';
  for (char c : s) quote = quote || is_space(c);
  return quote ? "\"" + s + "\"" : s;
}

}  // namespace orv::inp
