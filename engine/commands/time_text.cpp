#include "commands/time_text.hpp"

#include <cmath>
#include <cstdio>

#include "model/time_span.hpp"
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
  return parse_typed_seconds(words[0], words.size() == 2 ? words[1] : std::string(), clock);
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
