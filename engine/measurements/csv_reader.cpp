#include "measurements/csv_reader.hpp"

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "attributes/values.hpp"
#include "commands/arguments.hpp"
#include "model/time_span.hpp"

namespace orv::measurements {
namespace {

std::string trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r\"");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\"");
  return std::string(s.substr(b, e - b + 1));
}

std::vector<std::string> fields(const std::string &line) {
  const char sep = line.find(',') == std::string::npos && line.find(';') != std::string::npos ? ';' : ',';
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    const auto end = line.find(sep, start);
    out.push_back(trim(std::string_view(line).substr(start, end - start)));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::optional<ElementType> type_word(const std::string &w) {
  const std::string u = upper(w);
  if (u == "NODE" || u == "2") return ElementType::Node;
  if (u == "BRANCH" || u == "LINK" || u == "1") return ElementType::Link;
  if (u == "TANK" || u == "3") return ElementType::Tank;
  return std::nullopt;
}

// Checks one line; returns the reason it is wrong, or empty.
std::string read_line(const std::vector<std::string> &f, const Model &m,
                      std::map<SeriesKey, MeasuredSeries> &out,
                      std::map<SeriesKey, std::set<double>> &instants) {
  if (f.size() != 5)
    return "expected 5 fields (type, identifier, attribute, time, value), found " +
           std::to_string(f.size());
  const auto type = type_word(f[0]);
  if (!type) return "unknown element type '" + f[0] + "'";
  const int element = find_element(m, *type, f[1]);
  if (element == kNone) return std::string("unknown ") + element_type_name(*type) + " '" + f[1] + "'";
  const AttributeDef *def = find_attribute(f[2]);
  if (!def || !applies_to(*def, *type))
    return "'" + f[2] + "' is not an attribute of a " + element_type_name(*type);
  if (!def->needs_results) return "'" + f[2] + "' is not a simulated attribute";
  const auto hours = parse_typed_hours(f[3]);
  if (!hours || *hours < 0) return "malformed time '" + f[3] + "'";
  const auto value = parse_number(f[4]);
  if (!value) return "malformed value '" + f[4] + "'";
  SeriesKey key{*type, element_id(m, *type, element), std::string(def->symbol)};
  if (!instants[key].insert(*hours).second) return "a second value at the same time for this series";
  MeasuredSeries &s = out[key];
  s.hours.push_back(*hours);
  s.values.push_back(*value);
  return {};
}

}  // namespace

MeasurementStore read_measurements(std::istream &in, const Model &m, const std::string &source) {
  std::map<SeriesKey, MeasuredSeries> series;
  std::map<SeriesKey, std::set<double>> instants;
  std::vector<std::string> errors;
  std::size_t bad = 0, number = 0;
  bool first = true;
  std::string line;
  while (std::getline(in, line)) {
    ++number;
    const std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    const std::vector<std::string> f = fields(line);
    const bool header = first && upper(f[0]) == "TYPE";
    first = false;
    if (header) continue;
    const std::string reason = read_line(f, m, series, instants);
    if (reason.empty()) continue;
    if (++bad <= 10) errors.push_back(source + ":" + std::to_string(number) + ": " + reason);
  }
  if (in.bad()) throw Failure(Status::FileError, source + ": read error");
  if (bad > 0) {
    std::string message = std::to_string(bad) + " bad line" + (bad > 1 ? "s" : "") + " in " + source;
    for (const std::string &e : errors) message += "\n" + e;
    if (bad > errors.size()) message += "\n...";
    throw Failure(Status::InputError, message);
  }
  MeasurementStore store;
  for (auto &[key, s] : series) store.put(key, std::move(s));
  return store;
}

}  // namespace orv::measurements
