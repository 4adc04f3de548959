#include "commands/system_variables.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "commands/arguments.hpp"
#include "commands/time_text.hpp"
#include "io/option_table.hpp"
#include "model/units.hpp"
#include "session/version.hpp"

namespace orv::commands {
namespace {

using Reader = std::string (*)(const Session &);

struct Variable {
  std::string_view name;
  std::string_view description;
  Reader read;
};

std::string number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", v);
  return text;
}

// Count over the model, 0 without one.
template <class F>
std::string count(const Session &e, F f) {
  return std::to_string(e.has_model() ? f(e.model()) : 0);
}

// A time of the model in hours, empty without a model.
std::string hours(const Session &e, double Times::*time) {
  return e.has_model() ? number(e.model().times.*time / 3600.0) : "";
}

int links_of(const Model &m, bool (*pick)(LinkKind)) {
  int n = 0;
  for (const Link &l : m.links) n += pick(l.kind);
  return n;
}

int tanks_of(const Model &m, bool reservoirs) {
  int n = 0;
  for (const Tank &t : m.tanks) n += t.reservoir == reservoirs;
  return n;
}

const auto variables = std::to_array<Variable>({
    {"VERSION", "engine version (yyyymmdd)",
     [](const Session &) { return std::to_string(kEngineVersion); }},
    {"OPEN", "1 when the engine is open", [](const Session &e) { return std::string(e.is_open() ? "1" : "0"); }},
    {"BATCH", "1 in batch mode", [](const Session &e) { return std::string(e.batch() ? "1" : "0"); }},
    {"WORKDIR", "work folder", [](const Session &e) { return e.work_folder().string(); }},
    {"MODELFILE", "file of the loaded model", [](const Session &e) { return e.model_file(); }},
    {"TITLE", "first title line of the model",
     [](const Session &e) {
       if (!e.has_model()) return std::string();
       const std::string &t = e.model().title;
       return t.substr(0, t.find('\n'));
     }},
    {"NNODES", "number of nodes",
     [](const Session &e) { return count(e, [](const Model &m) { return m.nodes.size(); }); }},
    {"NJUNCTIONS", "number of junctions",
     [](const Session &e) { return count(e, [](const Model &m) { return m.junction_count(); }); }},
    {"NTANKS", "number of tanks and reservoirs (tank numbering)",
     [](const Session &e) { return count(e, [](const Model &m) { return m.tanks.size(); }); }},
    {"NRESERVOIRS", "number of reservoirs",
     [](const Session &e) { return count(e, [](const Model &m) { return tanks_of(m, true); }); }},
    {"NBRANCHES", "number of branches",
     [](const Session &e) { return count(e, [](const Model &m) { return m.links.size(); }); }},
    {"NPIPES", "number of pipes",
     [](const Session &e) {
       return count(e, [](const Model &m) {
         return links_of(m, [](LinkKind k) { return k == LinkKind::Pipe || k == LinkKind::CVPipe; });
       });
     }},
    {"NPUMPS", "number of pumps",
     [](const Session &e) {
       return count(e, [](const Model &m) {
         return links_of(m, [](LinkKind k) { return k == LinkKind::Pump; });
       });
     }},
    {"NVALVES", "number of valves",
     [](const Session &e) { return count(e, [](const Model &m) { return links_of(m, is_valve); }); }},
    {"NPATTERNS", "number of patterns",
     [](const Session &e) { return count(e, [](const Model &m) { return m.patterns.size(); }); }},
    {"NCURVES", "number of curves",
     [](const Session &e) { return count(e, [](const Model &m) { return m.curves.size(); }); }},
    {"NCONTROLS", "number of simple controls",
     [](const Session &e) { return count(e, [](const Model &m) { return m.controls.size(); }); }},
    {"NRULES", "number of rules",
     [](const Session &e) { return count(e, [](const Model &m) { return m.rules.size(); }); }},
    {"FLOWUNITS", "display flow unit",
     [](const Session &e) {
       return e.has_model() ? std::string(units::flow_name(e.model().options.flow_units)) : "";
     }},
    {"PRESSUREUNITS", "display pressure unit",
     [](const Session &e) {
       return e.has_model() ? std::string(units::pressure_name(e.model())) : "";
     }},
    {"HEADLOSS", "head-loss formula (H-W, D-W, C-M)",
     [](const Session &e) {
       if (!e.has_model()) return std::string();
       return std::string(headloss_names()[static_cast<int>(e.model().options.headloss)]);
     }},
    {"DURATION", "simulation duration, hours",
     [](const Session &e) { return hours(e, &Times::duration); }},
    {"HYDSTEP", "hydraulic time step, hours", [](const Session &e) { return hours(e, &Times::hydraulic_step); }},
    {"REPORTSTEP", "reporting time step, hours", [](const Session &e) { return hours(e, &Times::report_step); }},
    {"REPORTSTART", "first reporting instant, hours",
     [](const Session &e) { return hours(e, &Times::report_start); }},
    {"DATEREF", "date and clock time of the simulation start",
     [](const Session &e) {
       return e.has_model() ? format_date_time(e.date(), e.model().times.start_clocktime) : "";
     }},
    {"NSTEPS", "number of result steps of the last simulation",
     [](const Session &e) {
       return std::to_string(e.has_model() && e.has_results() ? e.results().step_count() : 0);
     }},
    {"INSTANT", "result instant of whole-network reads, hours",
     [](const Session &e) { return number(e.instant_hours()); }},
    {"SIMSTATUS", "status of the last simulation attempt (-1 none, 0 ok, 1-99 warning, >100 error)",
     [](const Session &e) { return std::to_string(e.last_run_status()); }},
    {"SIMMESSAGE", "message of the last simulation attempt",
     [](const Session &e) { return e.last_run_message(); }},
    {"NUNSTABLE", "number of unstable devices of the last simulation",
     [](const Session &e) {
       return std::to_string(e.has_model() && e.has_results() ? e.run().unstable.size() : 0);
     }},
    {"NSELECTIONS", "number of selections",
     [](const Session &e) { return std::to_string(e.selections().size()); }},
    {"NZONES", "number of zones",
     [](const Session &e) { return std::to_string(e.zones().size()); }},
    {"NPENDING", "number of queued commands",
     [](const Session &e) { return std::to_string(e.pending().size()); }},
    {"LASTERROR", "message of the last failure", [](const Session &e) { return e.last_error(); }},
    {"NFAILURES", "number of failures since the engine was opened",
     [](const Session &e) { return std::to_string(e.failure_count()); }},
    {"MODELSERIAL", "number that changes whenever a model is loaded or dropped",
     [](const Session &e) { return std::to_string(e.model_generation()); }},
    {"NLOADWARNINGS", "number of warnings of the model file's reading",
     [](const Session &e) { return count(e, [](const Model &m) { return m.load_warnings.size(); }); }},
    {"LOADWARNINGS", "warnings of the model file's reading, one line each (file:line: reason)",
     [](const Session &e) {
       std::string text;
       if (!e.has_model()) return text;
       const std::string file = std::filesystem::path(e.model_file()).filename().string();
       for (const auto &[line, reason] : e.model().load_warnings) {
         if (!text.empty()) text += '\n';
         text += file;
         if (line > 0) text += ':' + std::to_string(line);
         text += ": ";
         text += reason;
       }
       return text;
     }},
    {"LASTSTATUS", "status code of the last failure",
     [](const Session &e) { return std::to_string(code(e.last_status())); }},
});

}  // namespace

std::string system_variable(const Session &e, std::string_view name) {
  // "NAME offset": the text from that character on, so that a caller with a
  // short buffer reads a long text in pieces.
  const std::vector<std::string> words = split_words(name);
  if (words.empty() || words.size() > 2)
    throw Failure(Status::UnknownName, "unknown system variable '" + std::string(name) + "'");
  std::size_t offset = 0;
  if (words.size() == 2) {
    const auto n = parse_number(words[1]);
    if (!n || *n < 0 || *n != std::floor(*n) || *n > 1e9)
      throw Failure(Status::BadArgument, "character offset of a system variable must be a whole number >= 0, not '" +
                                             words[1] + "'");
    offset = static_cast<std::size_t>(*n);
  }
  const std::string key = upper(words[0]);
  for (const Variable &v : variables)
    if (v.name == key) {
      const std::string text = v.read(e);
      return offset < text.size() ? text.substr(offset) : std::string();
    }
  throw Failure(Status::UnknownName, "unknown system variable '" + words[0] + "'");
}

}  // namespace orv::commands
