#include "session/time_series.hpp"

#include <algorithm>
#include <climits>
#include <cmath>

#include "model/units.hpp"

namespace orv {

int series_length(const std::vector<double> &seconds, double interval_hours) {
  if (seconds.empty()) return 0;
  if (!(interval_hours > 0.0)) return static_cast<int>(std::min<std::size_t>(seconds.size(), INT_MAX));
  const double count = std::floor(seconds.back() / (interval_hours * 3600.0) + 1e-9) + 1.0;
  return count >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(count);
}

int deliver_series(const std::vector<double> &seconds, const std::vector<float> &values,
                   double interval_hours, int room, float *hours_out, float *values_out) {
  const int n = std::min(room, series_length(seconds, interval_hours));
  if (!(interval_hours > 0.0)) {
    for (int k = 0; k < n; ++k) {
      hours_out[k] = static_cast<float>(seconds[k] / 3600.0);
      values_out[k] = values[k];
    }
    return n;
  }
  std::size_t step = 0;
  for (int k = 0; k < n; ++k) {
    const double t = k * interval_hours * 3600.0;
    while (step + 1 < seconds.size() && seconds[step + 1] <= t + 1e-6) ++step;
    hours_out[k] = static_cast<float>(k * interval_hours);
    values_out[k] = values[step];
  }
  return n;
}

namespace {

// A demand without a pattern follows the default pattern.
double demand_factor(const Model &m, int pattern, double t) {
  return m.pattern_factor(pattern == kNone ? m.options.default_pattern : pattern, t);
}

}  // namespace

std::vector<float> demand_series(const Session &e, const std::string &code, const std::string *zone) {
  const Model &m = e.model();
  const Results &r = e.results();
  const std::string key = upper(code);
  std::vector<int> nodes;
  if (zone) {
    auto it = e.zones().find(upper(*zone));
    if (it == e.zones().end()) throw Failure(Status::UnknownName, "unknown zone '" + *zone + "'");
    nodes = it->second;
  } else {
    nodes.resize(m.nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) nodes[i] = static_cast<int>(i);
  }
  // The demands of the code, found once.
  std::vector<const Demand *> demands;
  bool code_used = false;
  for (std::size_t i = 0; i < m.nodes.size(); ++i)
    for (const Demand &d : m.nodes[i].demands)
      code_used = code_used || upper(d.category) == key;
  if (!code_used) throw Failure(Status::UnknownName, "no demand has code '" + code + "'");
  for (int i : nodes)
    for (const Demand &d : m.nodes[static_cast<std::size_t>(i)].demands)
      if (upper(d.category) == key) demands.push_back(&d);
  const double factor = units::flow(m.options.flow_units) * m.options.demand_multiplier;
  std::vector<float> out(r.step_count());
  for (std::size_t s = 0; s < out.size(); ++s) {
    double sum = 0.0;
    for (const Demand *d : demands) sum += d->base * demand_factor(m, d->pattern, r.times()[s]);
    out[s] = static_cast<float>(sum * factor);
  }
  return out;
}

}  // namespace orv
