#include "calibration/calibrate_command.hpp"

#include <cmath>

#include "calibration/calibrate.hpp"
#include "commands/command_table.hpp"

namespace orv::calibration {
namespace {

bool is_keyword(const std::string &w) {
  const std::string u = upper(w);
  return u == "ROUGHNESS" || u == "DEMAND" || u == "ITERATIONS";
}

ParameterGroup selection_group(const Session &e, const Model &m, const std::string &name) {
  const auto it = e.selections().find(upper(name));
  if (it == e.selections().end()) throw Failure(Status::UnknownName, "unknown selection '" + name + "'");
  if (it->second.type != ElementType::Link)
    throw Failure(Status::BadArgument, "selection '" + name + "' is not a branch selection");
  ParameterGroup g{ParameterGroup::Kind::Roughness, name, {}};
  for (int i : it->second.members)
    if (m.links[i].kind == LinkKind::Pipe || m.links[i].kind == LinkKind::CVPipe) g.members.push_back(i);
  return g;
}

ParameterGroup zone_group(const Session &e, const std::string &name) {
  const auto it = e.zones().find(upper(name));
  if (it == e.zones().end()) throw Failure(Status::UnknownName, "unknown zone '" + name + "'");
  return {ParameterGroup::Kind::Demand, name, it->second};
}

}  // namespace

void calibrate_command(Session &e, commands::Arguments &a) {
  const std::vector<std::string> words = a.rest("calibration groups");
  const Model &m = e.model();
  std::vector<ParameterGroup> groups;
  int iterations = 20;
  for (std::size_t i = 0; i < words.size();) {
    const std::string w = upper(words[i++]);
    const std::string what = i < words.size() ? upper(words[i]) : "";
    if (w == "ITERATIONS") {
      const auto n = i < words.size() ? parse_number(words[i]) : std::nullopt;
      if (!n || *n < 1 || *n > 1000 || *n != std::floor(*n))
        a.error("ITERATIONS needs a whole number from 1 to 1000");
      iterations = static_cast<int>(*n);
      ++i;
    } else if (w == "ROUGHNESS" && what == "MATERIAL") {
      ++i;
      for (ParameterGroup &g : roughness_by_material(m)) groups.push_back(std::move(g));
    } else if ((w == "ROUGHNESS" && what == "SELECTION") || (w == "DEMAND" && what == "ZONE")) {
      const std::size_t first = ++i;
      for (; i < words.size() && !is_keyword(words[i]); ++i)
        groups.push_back(w == "DEMAND" ? zone_group(e, words[i]) : selection_group(e, m, words[i]));
      if (i == first) a.error(w + " " + what + " needs at least one name");
    } else {
      a.error("expected ROUGHNESS MATERIAL, ROUGHNESS SELECTION, DEMAND ZONE or ITERATIONS, not '" +
              words[i - 1] + "'");
    }
  }
  if (groups.empty()) groups = roughness_by_material(m);
  const measurements::MeasurementStore &measured = measurements::measurements_of(e);
  if (measured.empty()) throw Failure(Status::BadArgument, "no measurements loaded: use MEASURE first");

  CalibrationResult result = calibrate(m, measured, thresholds_of(e), groups, iterations);
  apply_factors(e.edit_model(), groups, result.factors);
  e.note_run_attempt(result.run.status, result.run.message);
  e.install_run(std::move(result.run));
  summary_of(e) = result.summary;
}

}  // namespace orv::calibration
