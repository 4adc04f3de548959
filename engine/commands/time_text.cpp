#include "commands/time_text.hpp"

#include <cmath>
#include <cstdio>

#include "commands/arguments.hpp"
#include "model/units.hpp"

namespace orv::commands {
namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : days[m - 1];
}

}  // namespace

std::optional<double> parse_duration(const std::vector<std::string> &words, bool clock) {
  if (words.empty() || words.size() > 2) return std::nullopt;
  auto hours = parse_hms(words[0]);
  if (!hours) return std::nullopt;
  double seconds = *hours * 3600.0;
  if (words.size() == 2) {
    const std::string unit = upper(words[1]);
    if (clock && (unit == "AM" || unit == "PM")) {
      if (*hours >= 13.0 || *hours < 1.0) return std::nullopt;
      double h = std::fmod(*hours, 12.0);  // 12 AM is midnight, 12 PM is noon
      seconds = (h + (unit == "PM" ? 12.0 : 0.0)) * 3600.0;
    } else if (unit == "SEC" || unit == "SECONDS" || unit == "S") {
      seconds = *hours;
    } else if (unit == "MIN" || unit == "MINUTES" || unit == "M") {
      seconds = *hours * 60.0;
    } else if (unit == "HOUR" || unit == "HOURS" || unit == "H") {
      seconds = *hours * 3600.0;
    } else if (unit == "DAY" || unit == "DAYS" || unit == "D") {
      seconds = *hours * units::kSecondsPerDay;
    } else {
      return std::nullopt;
    }
  }
  if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
  return seconds;
}

std::optional<CalendarDate> parse_date(const std::string &word) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(word.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > days_in_month(y, m)) return std::nullopt;
  return CalendarDate{y, m, d};
}

std::string format_date_time(CalendarDate date, double seconds) {
  long long s = static_cast<long long>(std::llround(seconds));
  constexpr auto kDay = static_cast<long long>(units::kSecondsPerDay);
  long long days = s / kDay;
  s %= kDay;
  int y = date.year, m = date.month, d = date.day;
  while (days-- > 0) {
    if (++d > days_in_month(y, m)) {
      d = 1;
      if (++m > 12) m = 1, ++y;
    }
  }
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:%02lld:%02lld", y, m, d, s / 3600,
                (s / 60) % 60, s % 60);
  return text;
}

}  // namespace orv::commands
