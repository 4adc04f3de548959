// OPTIONS module: OPTION, TIME, DATE; QUALITY module: QUALITY.
// Every handler reads and checks all its words before it changes the model.
#include <algorithm>
#include <array>
#include <cmath>
#include <cctype>
#include <functional>
#include <span>

#include "commands/command_table.hpp"
#include "commands/time_text.hpp"
#include "io/option_table.hpp"
#include "model/units.hpp"

namespace orv::commands {
namespace {

// Applies a checked value to the model.
using Apply = std::function<void(Model &)>;
// Reads the value words of an option; returns what applies it.
using Parse = Apply (*)(const Model &, Arguments &);

// Counts typed in commands are whole numbers up to this.
constexpr double kLargestTypedCount = 1e6;

struct NamedSetting {
  std::string_view name;  // words separated by '_' in the dictionary
  Parse parse;            // nullptr for a numeric option of the option table
};

// The index of the word among `names` (upper-case).
std::size_t choice(Arguments &a, const char *what, std::span<const std::string_view> names) {
  const std::string w = a.upper_word(what);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == w) return i;
  a.error("unknown " + std::string(what) + " '" + w + "'");
}

// Options choosing among words, before and after the numeric ones of the
// option table in the dictionary.
const auto word_options_first = std::to_array<NamedSetting>({
    {"UNITS",
     [](const Model &, Arguments &a) -> Apply {
       std::vector<std::string_view> names;
       for (const units::FlowUnitName &f : units::flow_unit_names()) names.push_back(f.name);
       const FlowUnits u = units::flow_unit_names()[choice(a, "flow unit", names)].units;
       return [u](Model &m) { m.options.flow_units = u; };
     }},
    {"HEADLOSS",
     [](const Model &, Arguments &a) -> Apply {
       const auto f = static_cast<HeadlossFormula>(choice(a, "head-loss formula", headloss_names()));
       return [f](Model &m) { m.options.headloss = f; };
     }},
    {"DEMAND_MODEL",
     [](const Model &, Arguments &a) -> Apply {
       const auto d = static_cast<DemandModel>(choice(a, "demand model", demand_model_names()));
       return [d](Model &m) { m.options.demand_model = d; };
     }},
});

const auto word_options_last = std::to_array<NamedSetting>({
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
           const double v = a.number("extra trials");
           if (v < 0) a.error("extra trials must not be negative");
           if (v != std::floor(v) || v > kLargestTypedCount) a.error("extra trials must be a whole number");
           extra = static_cast<int>(v);
         }
       } else if (w != "STOP") {
         a.error("expected STOP or CONTINUE, not '" + w + "'");
       }
       return [extra](Model &m) { m.options.unbalanced_continue = extra; };
     }},
});

// "DEMAND_MULTIPLIER" -> "demand multiplier", for messages.
std::string spoken(std::string_view name) {
  std::string out(name);
  for (char &c : out) c = c == '_' ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A numeric option of the option table, in display units, checked as the
// table says; a pressure keeps the required one above the minimum one, as
// files must.
Apply numeric_option(const NumericOption &option, const Model &m, Arguments &a) {
  const std::string what = spoken(option.name);
  const double v = a.number(what.c_str());
  const OptionRange range = range_of(option, false);
  if (!in_range(range, v)) a.error(what + (range == OptionRange::Positive ? " must be positive" : " must not be negative"));
  if (option.count && (v != std::floor(v) || v > kLargestTypedCount))
    a.error(what + " must be a whole number up to " + std::to_string(static_cast<long>(kLargestTypedCount)));
  // Display values compared, as in files; a little slack for their round trip through SI.
  constexpr double kSlack = 1e-9;
  const double pressure = to_si(OptionUnit::Pressure, m);
  const double minimum = m.options.minimum_pressure / pressure, required = m.options.required_pressure / pressure;
  if ((option.real == &Options::minimum_pressure && required - v < kMinPressureDifference - kSlack) ||
      (option.real == &Options::required_pressure && v - minimum < kMinPressureDifference - kSlack))
    a.error(std::string(kPressureDifferenceReason));
  const double si = v * to_si(option.unit, m);
  return [&option, si](Model &model) { set_option(model.options, option, si); };
}

// Every option in dictionary order: the word options and the numeric ones
// of the option table that commands set.
std::vector<NamedSetting> all_options() {
  std::vector<NamedSetting> out(word_options_first.begin(), word_options_first.end());
  for (const NumericOption &o : numeric_options())
    if (!o.name.empty()) out.push_back({o.name, nullptr});
  out.insert(out.end(), word_options_last.begin(), word_options_last.end());
  return out;
}

const std::vector<NamedSetting> &options() {
  static const std::vector<NamedSetting> all = all_options();
  return all;
}

constexpr double kLongestTime = 2147483647.0;  // seconds

std::string underscored(std::string s) {
  std::replace(s.begin(), s.end(), ' ', '_');
  return upper(s);
}

// Finds the longest setting name spelled by the first words (joined by
// blanks or underscores); consumes those words.
template <class Table>
const auto &named(Arguments &a, const Table &table, const char *what) {
  using T = typename Table::value_type;
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
  for (const auto &o : options()) out.emplace_back(o.name);
  return out;
}

std::vector<std::string> time_names() {
  std::vector<std::string> out;
  for (const auto &t : time_options()) out.emplace_back(t.name);
  return out;
}

void cmd_option(Session &e, Arguments &a) {
  const Model &model = e.model();
  const NamedSetting &option = named(a, options(), "option");
  Apply apply = option.parse ? option.parse(model, a) : numeric_option(*typed_option(option.name), model, a);
  a.finish();
  apply(e.edit_model());
}

void cmd_time(Session &e, Arguments &a) {
  e.model();
  const TimeOption &setting = named(a, time_options(), "time setting");
  auto seconds = parse_duration(a.rest("time", 1), setting.clock);
  if (!seconds) a.error("malformed time for " + std::string(setting.name));
  // Times are whole seconds, within the range the file format can hold.
  *seconds = std::round(*seconds);
  if (*seconds > kLongestTime) a.error(std::string(setting.name) + " is too long");
  if (setting.step && *seconds < 1)
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
