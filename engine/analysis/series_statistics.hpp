// Statistics of one simulated series: quantiles and cumulated durations.
// Pure functions over plain values, so each result can be checked by hand.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace orv::analysis {

// Quantile of level p (0 <= p <= 1) by linear interpolation between order
// statistics: with the n values sorted as x[0] <= ... <= x[n-1] and
// h = (n - 1) p, the quantile is x[floor h] + (h - floor h)(x[floor h + 1] - x[floor h]).
// NaN values are left out; without any other value the quantile is NaN.
double quantile(std::vector<float> values, double level);

enum class Comparison { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

// "<", "<=", ">", ">=", "=", "==", "<>", "!=" or LT, LE, GT, GE, EQ, NE (any case);
// nullopt for anything else.
std::optional<Comparison> parse_comparison(std::string_view text);
bool compares(double value, Comparison c, double threshold);

// Hours during which the series compares to the threshold. A value holds from
// its instant to the next one (hydraulic results are step-wise constant), so
// the last instant adds nothing. times: seconds, one per value.
double cumulated_hours(std::span<const double> times, std::span<const float> values, Comparison c,
                       float threshold);

}  // namespace orv::analysis
