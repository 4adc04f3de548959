#include "analysis/series_statistics.hpp"

#include <algorithm>
#include <cmath>

#include "session/session.hpp"

namespace orv::analysis {

double quantile(std::vector<float> values, double level) {
  std::erase_if(values, [](float v) { return std::isnan(v); });
  if (values.empty()) return std::nan("");
  std::sort(values.begin(), values.end());
  const double h = static_cast<double>(values.size() - 1) * level;
  const std::size_t lo = static_cast<std::size_t>(std::floor(h));
  if (lo + 1 >= values.size()) return values.back();
  return values[lo] + (h - static_cast<double>(lo)) * (double(values[lo + 1]) - values[lo]);
}

std::optional<Comparison> parse_comparison(std::string_view text) {
  static const std::pair<std::string_view, Comparison> names[] = {
      {"<", Comparison::Less},          {"LT", Comparison::Less},
      {"<=", Comparison::LessEqual},    {"LE", Comparison::LessEqual},
      {">", Comparison::Greater},       {"GT", Comparison::Greater},
      {">=", Comparison::GreaterEqual}, {"GE", Comparison::GreaterEqual},
      {"=", Comparison::Equal},         {"==", Comparison::Equal},
      {"EQ", Comparison::Equal},        {"<>", Comparison::NotEqual},
      {"!=", Comparison::NotEqual},     {"NE", Comparison::NotEqual},
  };
  const std::string key = upper(text);
  for (const auto &[name, c] : names)
    if (name == key) return c;
  return std::nullopt;
}

bool compares(double value, Comparison c, double threshold) {
  switch (c) {
    case Comparison::Less: return value < threshold;
    case Comparison::LessEqual: return value <= threshold;
    case Comparison::Greater: return value > threshold;
    case Comparison::GreaterEqual: return value >= threshold;
    case Comparison::Equal: return value == threshold;
    case Comparison::NotEqual: return value != threshold;
  }
  return false;
}

double cumulated_hours(std::span<const double> times, std::span<const float> values, Comparison c,
                       float threshold) {
  double seconds = 0.0;
  const std::size_t n = std::min(times.size(), values.size());
  for (std::size_t i = 0; i + 1 < n; ++i)
    if (compares(values[i], c, threshold)) seconds += times[i + 1] - times[i];
  return seconds / 3600.0;
}

}  // namespace orv::analysis
