// Quantiles and cumulated durations of one attribute over the simulated series
// of a list of elements or of a named selection, in display units.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "session/session.hpp"

namespace orv::analysis {

// Elements of one type, 0-based.
struct ElementSet {
  ElementType type = ElementType::Node;
  std::vector<int> elements;
};

// Elements given by a type code and 1-based numbers; throws Failure(BadArgument)
// for an unknown type code or a number out of range.
ElementSet elements_by_number(const Model &m, int type_code, std::span<const int> numbers);
// Members of a selection (name in any case); throws Failure(UnknownName) for
// an unknown selection and Failure(BadArgument) for an empty one.
ElementSet elements_of_selection(const Session &e, std::string_view name);

// Quantiles of every element at every level, column-major: entry
// [level * elements + element]. Levels must lie in [0, 1]. Throws
// Failure(NoResults) without results, Failure(UnknownAttribute), Failure(BadArgument).
std::vector<float> quantile_table(const Session &e, const ElementSet &set, std::string_view attribute,
                                  std::span<const float> levels);

// Hours during which each element's attribute compares to the threshold
// (display units) by the comparison text; an unknown comparison is
// Failure(BadArgument).
std::vector<float> duration_table(const Session &e, const ElementSet &set, std::string_view attribute,
                                  std::string_view comparison, float threshold);

}  // namespace orv::analysis
