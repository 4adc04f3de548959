#include "attributes/values.hpp"

#include <cmath>
#include <string>

#include "attributes/display_units.hpp"

namespace orv {
namespace {

std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// Value of one target element at one step, SI.
double si_value(const Model &m, const Results *r, const AttributeDef &def, std::size_t step,
                int target) {
  if (def.node_column) return r->value(*def.node_column, step, target);
  if (def.link_column) return r->value(*def.link_column, step, target);
  if (def.tank_column) return r->value(*def.tank_column, step, target);
  return def.compute(m, r, step, target);
}

const Results *results_for(const Session &e, const AttributeDef &def) {
  return def.needs_results ? &e.results() : nullptr;
}

// The stored column of a result attribute at a step, when the type reads it
// in its own numbering (no tank-to-node gathering); empty otherwise.
std::span<const float> direct_column(const Results &r, const AttributeDef &def, ElementType type,
                                     std::size_t step) {
  if (def.node_column && type == ElementType::Node) return r.column(*def.node_column, step);
  if (def.link_column) return r.column(*def.link_column, step);
  if (def.tank_column) return r.column(*def.tank_column, step);
  return {};
}

bool is_direct(const AttributeDef &def, ElementType type) {
  return (def.node_column && type == ElementType::Node) || def.link_column || def.tank_column;
}

std::vector<int> targets(const Model &m, const AttributeDef &def, ElementType type) {
  const int n = element_count(m, type);
  std::vector<int> out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out[i] = target_index(m, def, type, i);
  return out;
}

}  // namespace

const AttributeDef &attribute_for(std::string_view symbol, ElementType type) {
  const AttributeDef *def = find_attribute(symbol);
  if (!def) throw Failure(Status::UnknownAttribute, "unknown attribute " + quoted(symbol));
  if (!applies_to(*def, type))
    throw Failure(Status::UnknownAttribute, "attribute " + quoted(symbol) + " is not one of a " +
                                                element_type_name(type));
  return *def;
}

const AttributeDef &attribute_for(int index, ElementType type) {
  const AttributeDef *def = attribute_at(index);
  if (!def)
    throw Failure(Status::UnknownAttribute, "unknown attribute index " + std::to_string(index));
  return attribute_for(def->symbol, type);
}

int element_by_id(const Model &m, ElementType type, std::string_view id) {
  const int i = find_element(m, type, std::string(id));
  if (i == kNone)
    throw Failure(Status::UnknownName,
                  std::string("unknown ") + element_type_name(type) + " " + quoted(id));
  return i;
}

int element_by_number(const Model &m, ElementType type, int number) {
  if (number < 1 || number > element_count(m, type))
    throw Failure(Status::BadArgument, std::string(element_type_name(type)) + " number " +
                                           std::to_string(number) + " out of range");
  return number - 1;
}

int target_index(const Model &m, const AttributeDef &def, ElementType type, int element) {
  return def.target == Target::Node && type == ElementType::Tank ? tank_node(m, element) : element;
}

float value_at(const Session &e, const AttributeDef &def, ElementType type, int element,
               std::size_t step) {
  const Model &m = e.model();
  const int target = target_index(m, def, type, element);
  const double v = si_value(m, results_for(e, def), def, step, target);
  return static_cast<float>(v * display_factor(m, def, target));
}

float current_value(const Session &e, const AttributeDef &def, ElementType type, int element) {
  const std::size_t step = def.needs_results ? e.current_step() : 0;
  return value_at(e, def, type, element, step);
}

std::vector<float> element_series(const Session &e, const AttributeDef &def, ElementType type,
                                  int element) {
  const Model &m = e.model();
  const Results &r = e.results();  // the instants come from the results in every case
  const int target = target_index(m, def, type, element);
  const double factor = display_factor(m, def, target);
  std::vector<float> out;
  if (def.node_column) out = r.series(*def.node_column, target);
  else if (def.link_column) out = r.series(*def.link_column, target);
  else if (def.tank_column) out = r.series(*def.tank_column, target);
  else {
    out.resize(r.step_count());
    for (std::size_t s = 0; s < out.size(); ++s)
      out[s] = static_cast<float>(def.compute(m, &r, s, target));
  }
  for (float &v : out) v = static_cast<float>(v * factor);
  return out;
}

std::vector<float> network_vector(const Session &e, const AttributeDef &def, ElementType type) {
  const Model &m = e.model();
  const Results *r = results_for(e, def);
  const std::size_t step = r ? e.current_step() : 0;
  const std::vector<int> ts = targets(m, def, type);
  std::vector<float> out(ts.size());
  if (r && is_direct(def, type) && def.quantity != Quantity::Setting) {
    // One contiguous column, one factor.
    const std::span<const float> column = direct_column(*r, def, type, step);
    const double f = display_unit(m, def.quantity).factor;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<float>(column[i] * f);
    return out;
  }
  for (std::size_t i = 0; i < ts.size(); ++i)
    out[i] = static_cast<float>(si_value(m, r, def, step, ts[i]) * display_factor(m, def, ts[i]));
  return out;
}

ElementExtremes network_extremes(const Session &e, const AttributeDef &def, ElementType type) {
  const Model &m = e.model();
  const Results &r = e.results();
  const std::vector<int> ts = targets(m, def, type);
  const std::size_t n = ts.size(), steps = r.step_count();
  ElementExtremes x;
  x.min.assign(n, 0.0f);
  x.max.assign(n, 0.0f);
  x.mean.assign(n, 0.0f);
  x.min_hours.assign(n, 0.0f);
  x.max_hours.assign(n, 0.0f);
  if (steps == 0) return x;
  if (is_direct(def, type)) {
    // One forward pass over the stored block.
    const Results::Extremes ex = def.node_column   ? r.extremes(*def.node_column)
                                 : def.link_column ? r.extremes(*def.link_column)
                                                   : r.extremes(*def.tank_column);
    for (std::size_t i = 0; i < n; ++i) {
      const double f = display_factor(m, def, ts[i]);
      x.min[i] = static_cast<float>(ex.min[i] * f);
      x.max[i] = static_cast<float>(ex.max[i] * f);
      x.mean[i] = static_cast<float>(ex.mean[i] * f);
      x.min_hours[i] = static_cast<float>(r.times()[ex.min_step[i]] / 3600.0);
      x.max_hours[i] = static_cast<float>(r.times()[ex.max_step[i]] / 3600.0);
    }
    return x;
  }
  std::vector<double> lo(n, INFINITY), hi(n, -INFINITY), sum(n, 0.0);
  std::vector<std::size_t> lo_step(n, 0), hi_step(n, 0);
  // One pass per step over the elements: for result columns the reads of a
  // step are contiguous.
  for (std::size_t s = 0; s < steps; ++s) {
    for (std::size_t i = 0; i < n; ++i) {
      const double v = si_value(m, &r, def, s, ts[i]);
      if (v < lo[i]) lo[i] = v, lo_step[i] = s;
      if (v > hi[i]) hi[i] = v, hi_step[i] = s;
      sum[i] += v;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const double f = display_factor(m, def, ts[i]);
    // A negative factor never occurs; extremes keep their order.
    x.min[i] = static_cast<float>(lo[i] * f);
    x.max[i] = static_cast<float>(hi[i] * f);
    x.mean[i] = static_cast<float>(sum[i] / static_cast<double>(steps) * f);
    x.min_hours[i] = static_cast<float>(r.times()[lo_step[i]] / 3600.0);
    x.max_hours[i] = static_cast<float>(r.times()[hi_step[i]] / 3600.0);
  }
  return x;
}

void assign_value(Model &m, const AttributeDef &def, ElementType type, int element, float value) {
  if (!def.assign)
    throw Failure(Status::UnknownAttribute,
                  "attribute '" + std::string(def.symbol) + "' is a result and cannot be set");
  if (!std::isfinite(value))
    throw Failure(Status::BadArgument, "attribute value must be a finite number");
  if ((def.bound == Bound::Positive && value <= 0.0f) ||
      (def.bound == Bound::NonNegative && value < 0.0f))
    throw Failure(Status::BadArgument, "attribute '" + std::string(def.symbol) + "' must be " +
                                           (def.bound == Bound::Positive ? "positive" : "non-negative"));
  const int target = target_index(m, def, type, element);
  const double factor = display_factor(m, def, target);
  def.assign(m, target, static_cast<double>(value) / factor);
}

}  // namespace orv
