// OPTIONS module: OPTION, TIME, DATE; QUALITY module: QUALITY.
// Every handler reads and checks all its words before it changes the model.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "commands/command_table.hpp"
#include "commands/time_text.hpp"
#include "model/units.hpp"

namespace orv::commands {
namespace {

// Applies a checked value to the model.
using Apply = std::function<void(Model &)>;
// Reads the value words of an option; returns what applies it.
using Parse = Apply (*)(const Model &, Arguments &);

struct NamedSetting {
  std::string_view name;  // words separated by '_' in the dictionary
  Parse parse;
};

double positive(Arguments &a, const char *what) {
  const double v = a.number(what);
  if (v <= 0) a.error(std::string(what) + " must be positive");
  return v;
}

double non_negative(Arguments &a, const char *what) {
  const double v = a.number(what);
  if (v < 0) a.error(std::string(what) + " must not be negative");
  return v;
}

template <class E, std::size_t N>
E choice(Arguments &a, const char *what, const std::array<std::pair<std::string_view, E>, N> &items) {
  const std::string w = a.upper_word(what);
  for (const auto &[name, value] : items)
    if (name == w) return value;
  a.error("unknown " + std::string(what) + " '" + w + "'");
}

const std::array<std::pair<std::string_view, FlowUnits>, 11> flow_unit_names{{
    {"CFS", FlowUnits::CFS}, {"GPM", FlowUnits::GPM}, {"MGD", FlowUnits::MGD},
    {"IMGD", FlowUnits::IMGD}, {"AFD", FlowUnits::AFD}, {"LPS", FlowUnits::LPS},
    {"LPM", FlowUnits::LPM}, {"MLD", FlowUnits::MLD}, {"CMH", FlowUnits::CMH},
    {"CMD", FlowUnits::CMD}, {"CMS", FlowUnits::CMS},
}};
const std::array<std::pair<std::string_view, HeadlossFormula>, 3> headloss_names{{
    {"H-W", HeadlossFormula::HazenWilliams},
    {"D-W", HeadlossFormula::DarcyWeisbach},
    {"C-M", HeadlossFormula::ChezyManning},
}};
const std::array<std::pair<std::string_view, DemandModel>, 2> demand_model_names{{
    {"DDA", DemandModel::DemandDriven}, {"PDA", DemandModel::PressureDriven}}};

const auto options = std::to_array<NamedSetting>({
    {"UNITS",
     [](const Model &, Arguments &a) -> Apply {
       const FlowUnits u = choice(a, "flow unit", flow_unit_names);
       return [u](Model &m) { m.options.flow_units = u; };
     }},
    {"HEADLOSS",
     [](const Model &, Arguments &a) -> Apply {
       const HeadlossFormula f = choice(a, "head-loss formula", headloss_names);
       return [f](Model &m) { m.options.headloss = f; };
     }},
    {"DEMAND_MODEL",
     [](const Model &, Arguments &a) -> Apply {
       const DemandModel d = choice(a, "demand model", demand_model_names);
       return [d](Model &m) { m.options.demand_model = d; };
     }},
    {"TRIALS",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "trials");
       if (v != std::floor(v) || v > 1e6) a.error("trials must be a whole number up to 1000000");
       return [v](Model &m) { m.options.trials = static_cast<int>(v); };
     }},
    {"ACCURACY",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "accuracy");
       return [v](Model &m) { m.options.accuracy = v; };
     }},
    {"SPECIFIC_GRAVITY",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "specific gravity");
       return [v](Model &m) { m.options.specific_gravity = v; };
     }},
    {"VISCOSITY",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "viscosity");
       return [v](Model &m) { m.options.viscosity = v; };
     }},
    {"DEMAND_MULTIPLIER",
     [](const Model &, Arguments &a) -> Apply {
       const double v = non_negative(a, "demand multiplier");
       return [v](Model &m) { m.options.demand_multiplier = v; };
     }},
    {"EMITTER_EXPONENT",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "emitter exponent");
       return [v](Model &m) { m.options.emitter_exponent = v; };
     }},
    {"PRESSURE_EXPONENT",
     [](const Model &, Arguments &a) -> Apply {
       const double v = positive(a, "pressure exponent");
       return [v](Model &m) { m.options.pressure_exponent = v; };
     }},
    // Pressures in the display unit of the model.
    {"MINIMUM_PRESSURE",
     [](const Model &m, Arguments &a) -> Apply {
       const double v = non_negative(a, "minimum pressure") / units::pressure(m);
       return [v](Model &m) { m.options.minimum_pressure = v; };
     }},
    {"REQUIRED_PRESSURE",
     [](const Model &m, Arguments &a) -> Apply {
       const double v = positive(a, "required pressure") / units::pressure(m);
       return [v](Model &m) { m.options.required_pressure = v; };
     }},
    {"PATTERN",
     [](const Model &m, Arguments &a) -> Apply {
       const std::string id = a.word("pattern id");
       const int p = m.find_pattern(id);
       if (p == kNone) throw Failure(Status::UnknownName, "OPTION: unknown pattern '" + id + "'");
       return [p, id](Model &m) {
         m.options.default_pattern = p;
         m.options.default_pattern_id = id;
       };
     }},
    {"UNBALANCED",
     [](const Model &, Arguments &a) -> Apply {
       const std::string w = a.upper_word("STOP or CONTINUE");
       int extra = -1;
       if (w == "CONTINUE") {
         extra = 0;
         if (!a.done()) {
           const double v = non_negative(a, "extra trials");
           if (v != std::floor(v) || v > 1e6) a.error("extra trials must be a whole number");
           extra = static_cast<int>(v);
         }
       } else if (w != "STOP") {
         a.error("expected STOP or CONTINUE, not '" + w + "'");
       }
       return [extra](Model &m) { m.options.unbalanced_continue = extra; };
     }},
});

// Time settings, in seconds.
struct TimeSetting {
  std::string_view name;
  double Times::*field;
  bool must_be_positive;
  bool clock;
};

const auto times = std::to_array<TimeSetting>({
    {"DURATION", &Times::duration, false, false},
    {"HYDRAULIC_STEP", &Times::hydraulic_step, true, false},
    {"QUALITY_STEP", &Times::quality_step, true, false},
    {"PATTERN_STEP", &Times::pattern_step, true, false},
    {"PATTERN_START", &Times::pattern_start, false, false},
    {"REPORT_STEP", &Times::report_step, true, false},
    {"REPORT_START", &Times::report_start, false, false},
    {"RULE_STEP", &Times::rule_step, true, false},
    {"START_CLOCKTIME", &Times::start_clocktime, false, true},
});

constexpr double kLongestTime = 2147483647.0;  // seconds

std::string underscored(std::string s) {
  std::replace(s.begin(), s.end(), ' ', '_');
  return upper(s);
}

// Finds the longest setting name spelled by the first words (joined by
// blanks or underscores); consumes those words.
template <class T, std::size_t N>
const T &named(Arguments &a, const std::array<T, N> &table, const char *what) {
  std::vector<std::string> words = a.rest(what, 1);
  const T *best = nullptr;
  std::size_t used = 0;
  std::string name;
  for (std::size_t k = 0; k < words.size() && k < 3; ++k) {
    if (k) name += '_';
    name += underscored(words[k]);
    for (const T &t : table)
      if (t.name == name) best = &t, used = k + 1;
  }
  if (!best) a.error(std::string("unknown ") + what + " '" + words[0] + "'");
  a = Arguments(a.keyword(), std::move(words), used);
  return *best;
}

}  // namespace

std::vector<std::string> option_names() {
  std::vector<std::string> out;
  for (const auto &o : options) out.emplace_back(o.name);
  return out;
}

std::vector<std::string> time_names() {
  std::vector<std::string> out;
  for (const auto &t : times) out.emplace_back(t.name);
  return out;
}

void cmd_option(Session &e, Arguments &a) {
  const Model &model = e.model();
  const NamedSetting &option = named(a, options, "option");
  Apply apply = option.parse(model, a);
  a.finish();
  apply(e.edit_model());
}

void cmd_time(Session &e, Arguments &a) {
  e.model();
  const TimeSetting &setting = named(a, times, "time setting");
  auto seconds = parse_duration(a.rest("time", 1), setting.clock);
  if (!seconds) a.error("malformed time for " + std::string(setting.name));
  // Times are whole seconds, within the range the file format can hold.
  *seconds = std::round(*seconds);
  if (*seconds > kLongestTime) a.error(std::string(setting.name) + " is too long");
  if (setting.must_be_positive && *seconds < 1)
    a.error(std::string(setting.name) + " must be at least one second");
  if (setting.clock && *seconds >= units::kSecondsPerDay) a.error("clock time must be within one day");
  e.edit_model().times.*setting.field = *seconds;
}

void cmd_date(Session &e, Arguments &a) {
  const std::string day = a.word("date");
  auto date = parse_date(day);
  if (!date) a.error("date must be YYYY-MM-DD, not '" + day + "'");
  std::optional<double> clock;
  if (!a.done()) {
    clock = parse_duration(a.rest("clock time"), true);
    if (!clock || *clock >= units::kSecondsPerDay) a.error("malformed clock time");
    e.model();  // the clock time is the model's start time
  }
  e.set_date(*date);
  if (clock) e.edit_model().times.start_clocktime = *clock;
}

void cmd_quality(Session &e, Arguments &a) {
  const Model &model = e.model();
  const std::string kind = a.upper_word("quality kind");
  Apply apply;
  if (kind == "NONE" || kind == "AGE") {
    const QualityKind q = kind == "NONE" ? QualityKind::None : QualityKind::Age;
    apply = [q](Model &m) {
      m.options.quality = q;
      m.options.quality_name = q == QualityKind::Age ? "AGE" : "NONE";
    };
  } else if (kind == "TRACE") {
    const std::string node = a.word("trace node");
    if (model.find_node(node) == kNone)
      throw Failure(Status::UnknownName, "QUALITY: unknown node '" + node + "'");
    apply = [node](Model &m) {
      m.options.quality = QualityKind::Trace;
      m.options.quality_name = "TRACE";
      m.options.trace_node = node;
    };
  } else if (kind == "CONVENTIONS") {
    const std::string choice = a.upper_word("conventions");
    if (choice != "PHYSICAL" && choice != "REFERENCE") a.error("expected PHYSICAL or REFERENCE, not '" + choice + "'");
    apply = [reference = choice == "REFERENCE"](Model &m) { m.options.reference_quality_conventions = reference; };
  } else if (kind == "CHEMICAL") {
    const std::string name = a.word("chemical name");
    const std::string unit = a.optional_word().value_or("mg/L");
    if (upper(unit) != "MG/L" && upper(unit) != "UG/L") a.error("units must be mg/L or ug/L");
    apply = [name, unit](Model &m) {
      m.options.quality = QualityKind::Chemical;
      m.options.quality_name = name;
      m.options.quality_units = unit;
    };
  } else {
    a.error("expected NONE, AGE, TRACE, CHEMICAL or CONVENTIONS, not '" + kind + "'");
  }
  a.finish();
  apply(e.edit_model());
}

}  // namespace orv::commands
