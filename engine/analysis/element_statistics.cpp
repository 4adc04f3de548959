#include "analysis/element_statistics.hpp"

#include <cmath>
#include <string>

#include "analysis/series_statistics.hpp"
#include "attributes/values.hpp"

namespace orv::analysis {
namespace {

const Results &results_with_steps(const Session &e) {
  const Results &r = e.results();
  if (r.step_count() == 0) throw Failure(Status::NoResults, "the simulation produced no instant");
  return r;
}

}  // namespace

ElementSet elements_by_number(const Model &m, int type_code, std::span<const int> numbers) {
  const auto type = element_type(type_code);
  if (!type) throw Failure(Status::BadArgument, "unknown element type " + std::to_string(type_code));
  ElementSet set{*type, {}};
  set.elements.reserve(numbers.size());
  for (int n : numbers) set.elements.push_back(element_by_number(m, *type, n));
  return set;
}

ElementSet elements_of_selection(const Session &e, std::string_view name) {
  e.model();
  const auto it = e.selections().find(upper(name));
  if (it == e.selections().end())
    throw Failure(Status::UnknownName, "unknown selection '" + std::string(name) + "'");
  if (it->second.members.empty())
    throw Failure(Status::BadArgument, "selection '" + std::string(name) + "' is empty");
  return {it->second.type, it->second.members};
}

std::vector<float> quantile_table(const Session &e, const ElementSet &set, std::string_view attribute,
                                  std::span<const float> levels) {
  const AttributeDef &def = attribute_for(attribute, set.type);
  for (float p : levels)
    if (!(p >= 0.0f && p <= 1.0f))
      throw Failure(Status::BadArgument,
                    "quantile level " + std::to_string(p) + " is not between 0 and 1");
  results_with_steps(e);
  const std::size_t n = set.elements.size();
  std::vector<float> out(n * levels.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::vector<float> series = element_series(e, def, set.type, set.elements[i]);
    for (std::size_t j = 0; j < levels.size(); ++j)
      out[j * n + i] = static_cast<float>(quantile(series, levels[j]));
  }
  return out;
}

std::vector<float> duration_table(const Session &e, const ElementSet &set, std::string_view attribute,
                                  std::string_view comparison, float threshold) {
  const AttributeDef &def = attribute_for(attribute, set.type);
  const auto c = parse_comparison(comparison);
  if (!c) throw Failure(Status::BadArgument, "unknown comparison '" + std::string(comparison) + "'");
  if (!std::isfinite(threshold)) throw Failure(Status::BadArgument, "the threshold is not a number");
  const Results &r = results_with_steps(e);
  std::vector<float> out;
  out.reserve(set.elements.size());
  for (int element : set.elements) {
    const std::vector<float> series = element_series(e, def, set.type, element);
    out.push_back(static_cast<float>(cumulated_hours(r.times(), series, *c, threshold)));
  }
  return out;
}

}  // namespace orv::analysis
