#include "io/inp_text.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
  std::size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (is_space(c)) { ++i; continue; }
    if (c == ';') {
      line.comment = std::string(trim(text.substr(i + 1)));
      break;
    }
    if (c == '"') {
      std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) end = text.size();
      line.tokens.emplace_back(text.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    std::size_t start = i;
    while (i < text.size() && !is_space(text[i]) && text[i] != ';') ++i;
    line.tokens.emplace_back(text.substr(start, i - start));
  }
  return line;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char &c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool is_keyword(std::string_view token, std::string_view keyword, std::size_t min_len) {
  std::string t = upper(token);
  if (min_len == 0) return t == keyword;
  if (t.size() < min_len || t.size() > keyword.size()) return false;
  return keyword.substr(0, t.size()) == t;
}

std::optional<double> parse_number(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::string buf(s);
  char *end = nullptr;
  double v = std::strtod(buf.c_str(), &end);
  if (end != buf.c_str() + buf.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

namespace {
// "h:mm[:ss]" or a plain number (in `scale` seconds).
std::optional<double> hours_minutes(const std::string &value, double scale) {
  if (value.find(':') == std::string::npos) {
    auto v = parse_number(value);
    if (!v) return std::nullopt;
    return *v * scale;
  }
  double parts[3] = {0, 0, 0};
  int n = 0;
  std::size_t start = 0;
  while (n < 3) {
    std::size_t colon = value.find(':', start);
    auto v = parse_number(value.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (!v || *v < 0) return std::nullopt;
    parts[n++] = *v;
    if (colon == std::string::npos) break;
    start = colon + 1;
    if (n == 3) return std::nullopt;
  }
  return parts[0] * 3600 + parts[1] * 60 + parts[2];
}
}  // namespace

namespace {
std::optional<double> whole_seconds(std::optional<double> t) {
  if (t) *t = std::round(*t);
  return t;
}
std::optional<double> duration_seconds(const std::string &value, const std::string &unit);
}  // namespace

// Times are kept in whole seconds, as the format's engines always have.
std::optional<double> parse_duration(const std::string &value, const std::string &unit) {
  return whole_seconds(duration_seconds(value, unit));
}

namespace {
std::optional<double> duration_seconds(const std::string &value, const std::string &unit) {
  if (unit.empty()) return hours_minutes(value, 3600);
  std::string u = upper(unit);
  if (u == "AM" || u == "PM") return parse_clocktime(value, unit);
  double scale;
  if (is_keyword(u, "SECONDS", 1)) scale = 1;
  else if (is_keyword(u, "MINUTES", 1)) scale = 60;
  else if (is_keyword(u, "HOURS", 1)) scale = 3600;
  else if (is_keyword(u, "DAYS", 1)) scale = 86400;
  else return std::nullopt;
  if (value.find(':') != std::string::npos) return hours_minutes(value, 3600);
  auto v = parse_number(value);
  if (!v) return std::nullopt;
  return *v * scale;
}
}  // namespace

std::optional<double> parse_clocktime(const std::string &value, const std::string &ampm) {
  auto t = whole_seconds(hours_minutes(value, 3600));
  if (!t) return std::nullopt;
  if (ampm.empty()) return *t;
  std::string u = upper(ampm);
  if (*t < 3600 || *t >= 13 * 3600) return std::nullopt;
  if (*t >= 12 * 3600) *t -= 12 * 3600;  // 12 AM = midnight, 12 PM = noon
  if (u == "PM") return *t + 12 * 3600;
  if (u == "AM") return *t;
  return std::nullopt;
}

std::string format_duration(double seconds) {
  long long s = std::llround(seconds);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
  return buf;
}

std::string format_clocktime(double seconds) {
  long long s = std::llround(seconds) % 86400;
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

}  // namespace orv::inp
