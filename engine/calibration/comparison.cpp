#include "calibration/comparison.hpp"

#include <cmath>

#include "attributes/display_units.hpp"
#include "attributes/values.hpp"

namespace orv::calibration {

std::vector<double> differences(const Model &m, const Results &r, const measurements::SeriesKey &key,
                                const measurements::MeasuredSeries &s) {
  const AttributeDef &def = attribute_for(key.attribute, key.type);
  const int element = element_by_id(m, key.type, key.id);
  const int target = target_index(m, def, key.type, element);
  const double factor = display_factor(m, def, target);
  std::vector<double> out;
  if (r.step_count() == 0) return out;
  const double last = r.times().back() / 3600.0;
  for (std::size_t i = 0; i < s.hours.size(); ++i) {
    const double t = s.hours[i];
    if (t < 0 || t > last + 1.0 / 3600.0) continue;
    // Instants given to the second (or as 4-byte hours) still find their step.
    const std::size_t step = r.step_at(t * 3600.0 + 1.0);
    double v;
    if (def.node_column) v = r.value(*def.node_column, step, target);
    else if (def.link_column) v = r.value(*def.link_column, step, target);
    else if (def.tank_column) v = r.value(*def.tank_column, step, target);
    else v = def.compute(m, &r, step, target);
    out.push_back(static_cast<float>(v * factor) - s.values[i]);
  }
  return out;
}

std::optional<double> deviation(const std::vector<double> &d) {
  if (d.empty()) return std::nullopt;
  double sum = 0.0;
  for (double x : d) sum += x * x;
  return std::sqrt(sum / static_cast<double>(d.size()));
}

int indicator_class(double dev, const Thresholds &t) {
  if (dev <= t.good) return 1;
  if (dev <= t.fair) return 2;
  if (dev <= t.poor) return 3;
  return 4;
}

Indicator element_indicator(const Model &m, const Results &r, const measurements::MeasurementStore &store,
                            ElementType type, const std::string &id, const Thresholds &t) {
  Indicator out;
  for (const auto &[key, s] : store.all()) {
    if (key.type != type || key.id != id) continue;
    const auto dev = deviation(differences(m, r, key, s));
    if (!dev) continue;
    const int cls = indicator_class(*dev, t);
    if (cls > out.cls) out = {*dev, cls};
  }
  return out;
}

}  // namespace orv::calibration
