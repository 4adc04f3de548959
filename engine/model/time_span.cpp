#include "model/time_span.hpp"

#include <array>
#include <cmath>

#include "model/text.hpp"
#include "model/units.hpp"

namespace orv {
namespace {

struct TimeUnit {
  std::string_view file_key;              // the first letters of the word in a file
  std::array<std::string_view, 3> words;  // the words typed text may use
  double seconds;
};

constexpr std::array<TimeUnit, 4> kUnits{{
    {"SEC", {"SEC", "SECONDS", "S"}, 1.0},
    {"MIN", {"MIN", "MINUTES", "M"}, 60.0},
    {"HOU", {"HOUR", "HOURS", "H"}, 3600.0},
    {"DAY", {"DAY", "DAYS", "D"}, units::kSecondsPerDay},
}};

const TimeUnit *unit_of(std::string_view word, bool file) {
  const std::string w = upper(word);
  for (const TimeUnit &u : kUnits)
    if (file ? w.starts_with(u.file_key) : (w == u.words[0] || w == u.words[1] || w == u.words[2])) return &u;
  return nullptr;
}

// Hours of the AM or PM time `h` (12 AM is midnight, 12 PM noon); nothing for
// another word or an hour past 12:59:59.
std::optional<double> half_day(double h, std::string_view word, bool file) {
  const std::string w = upper(word);
  const bool am = file ? w.starts_with("AM") : w == "AM";
  const bool pm = file ? w.starts_with("PM") : w == "PM";
  if ((!am && !pm) || h >= 13.0) return std::nullopt;
  const double morning = h >= 12.0 ? h - 12.0 : h;
  return pm ? morning + 12.0 : morning;
}

}  // namespace

std::optional<double> parse_file_hours(std::string_view time, std::string_view unit) {
  double y[3] = {0, 0, 0};
  int n = 0;
  std::size_t start = 0;
  while (n < 4 && start <= time.size()) {
    std::size_t colon = time.find(':', start);
    if (colon == std::string_view::npos) colon = time.size();
    if (colon > start) {
      const auto v = parse_number(time.substr(start, colon - start));
      if (!v) return std::nullopt;
      if (n < 3) y[n] = *v;
      ++n;
    }
    start = colon + 1;
  }
  if (n == 0) return std::nullopt;
  if (n == 1 && !unit.empty())
    if (const TimeUnit *u = unit_of(unit, true))
      return u->seconds >= 3600.0 ? y[0] * (u->seconds / 3600.0) : y[0] / (3600.0 / u->seconds);
  const double h = n > 1 ? y[0] + y[1] / 60.0 + y[2] / 3600.0 : y[0];
  if (unit.empty()) return h;
  return half_day(h, unit, true);
}

std::optional<double> parse_typed_hours(std::string_view time) {
  double total = 0.0, scale = 1.0;
  for (int part = 0; part < 3; ++part) {
    const std::size_t colon = time.find(':');
    const auto v = parse_number(time.substr(0, colon));
    if (!v || *v < 0 || (part > 0 && *v >= 60)) return std::nullopt;
    total += *v * scale;
    scale /= 60.0;
    if (colon == std::string_view::npos) return total;
    time.remove_prefix(colon + 1);
  }
  return std::nullopt;  // more than two colons
}

std::optional<double> parse_typed_seconds(std::string_view time, std::string_view unit, bool clock) {
  const auto h = parse_typed_hours(time);
  if (!h) return std::nullopt;
  double seconds = *h * 3600.0;
  if (!unit.empty()) {
    const auto day = clock && *h >= 1.0 ? half_day(*h, unit, false) : std::nullopt;
    const TimeUnit *u = unit_of(unit, false);
    if (!day && !u) return std::nullopt;
    seconds = day ? *day * 3600.0 : *h * u->seconds;
  }
  if (!std::isfinite(seconds)) return std::nullopt;
  return seconds;
}

}  // namespace orv
