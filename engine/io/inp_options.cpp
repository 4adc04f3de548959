// [OPTIONS] and [TIMES].
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "io/inp_sections.hpp"
#include "io/option_table.hpp"
#include "model/time_span.hpp"
#include "model/units.hpp"

namespace orv::inp {

namespace {

bool set_flow_units(Options &o, const std::string &tok) {
  // No name is the start of another, so the order of trying them does not
  // matter; SI stands for LPS.
  for (const units::FlowUnitName &f : units::flow_unit_names())
    if (match(tok, f.name)) {
      o.flow_units = f.units;
      return true;
    }
  if (match(tok, "SI")) o.flow_units = FlowUnits::LPS;
  return match(tok, "SI");
}

// An option choosing among words; false when the line is not one.
bool read_choice(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Options &o = s.m.options;
  const std::string &k0 = l.tokens[0];
  const std::size_t n = l.tokens.size() - 1;  // index of the last field
  const std::string t1 = n >= 1 ? l.tokens[1] : "";
  if (match(k0, "UNIT")) {
    if (n >= 1 && !set_flow_units(o, t1)) s.fail("unknown flow units " + t1);
    return true;
  }
  if (match(k0, "PRESSURE") && !(n >= 1 && match(t1, "EXP"))) {
    if (n < 1) return true;
    static const std::pair<const char *, const char *> names[] = {
        {"PSI", "PSI"}, {"KPA", "KPA"}, {"METERS", "METERS"}, {"BAR", "BAR"}, {"FEET", "FEET"}, {"METRES", "METERS"}};
    const char *found = nullptr;
    for (auto &[key, name] : names)
      if (!found && match(t1, key)) found = name;
    if (!found) s.fail("unknown pressure units " + t1);
    o.pressure_units = found;
    return true;
  }
  if (match(k0, "HEADL")) {
    if (n < 1) return true;
    const auto names = headloss_names();
    const auto found = std::find_if(names.begin(), names.end(), [&](std::string_view name) { return match(t1, name); });
    if (found == names.end()) s.fail("unknown headloss formula " + t1);
    o.headloss = static_cast<HeadlossFormula>(found - names.begin());
    return true;
  }
  if (match(k0, "HYDR")) {
    // A hydraulics file is never used (results always come from a fresh
    // run); the option is kept for writing.
    if (n < 2) return true;
    if (match(t1, "USE")) o.hydraulics_mode = "USE";
    else if (match(t1, "SAVE")) o.hydraulics_mode = "SAVE";
    else s.fail("HYDRAULICS must be USE or SAVE");
    o.hydraulics_file = l.tokens[2];
    s.warn("hydraulics file " + o.hydraulics_file + " is not used");
    return true;
  }
  if (match(k0, "QUAL")) {
    if (n < 1) return true;
    // Any other word names the chemical (quoted, it may hold blanks or be empty).
    if (match(t1, "NONE")) o.quality = QualityKind::None;
    else if (match(t1, "CHEM")) o.quality = QualityKind::Chemical, o.quality_name = "Chemical";
    else if (match(t1, "AGE")) o.quality = QualityKind::Age;
    else if (match(t1, "TRACE")) o.quality = QualityKind::Trace;
    else o.quality = QualityKind::Chemical, o.quality_name = t1;
    if (o.quality == QualityKind::Chemical && n >= 2) o.quality_units = l.tokens[2];
    if (o.quality == QualityKind::Trace) {
      if (n < 2) s.fail("too few fields for QUALITY TRACE");
      o.trace_node = l.tokens[2];
      s.settings.trace_line = l.number;
    }
    return true;
  }
  if (match(k0, "MAP")) {
    if (n >= 1) o.map_file = t1;
    return true;
  }
  if (match(k0, "VERI")) {
    s.warn("option VERIFY is obsolete and skipped");
    return true;
  }
  if (match(k0, "UNBA")) {
    if (n < 1) return true;
    if (match(t1, "STOP")) o.unbalanced_continue = -1;
    else if (match(t1, "CONT")) o.unbalanced_continue = n >= 2 ? std::atoi(l.tokens[2].c_str()) : 0;
    else s.fail("UNBALANCED must be STOP or CONTINUE");
    return true;
  }
  if (match(k0, "PATT")) {
    if (n < 1) return true;
    s.settings.default_pattern_id = t1;
    s.settings.default_pattern_line = l.number;
    return true;
  }
  if (match(k0, "DEMAND") && n >= 2 && match(t1, "MODEL")) {
    const auto names = demand_model_names();
    const auto found =
        std::find_if(names.begin(), names.end(), [&](std::string_view name) { return match(l.tokens[2], name); });
    if (found == names.end()) s.fail("DEMAND MODEL must be DDA or PDA");
    o.demand_model = static_cast<DemandModel>(found - names.begin());
    return true;
  }
  if (match(k0, "BACK") && n >= 2 && match(t1, "ALLOW")) {
    if (match(l.tokens[2], "NO")) o.emitter_backflow = false;
    else if (match(l.tokens[2], "YES")) o.emitter_backflow = true;
    else s.fail("BACKFLOW ALLOWED must be YES or NO");
    return true;
  }
  if (match(k0, "EMIT") && n >= 2 && match(t1, "BACK")) {
    // Written by earlier versions of this program; other programs refuse it.
    o.emitter_backflow = match(l.tokens[2], "YES");
    s.warn("EMITTER BACKFLOW is read as BACKFLOW ALLOWED");
    return true;
  }
  if (match(k0, "SEGM")) {
    s.warn("option SEGMENTS is obsolete and skipped");
    return true;
  }
  return false;
}

}  // namespace

void read_option(ReadState &s, const SectionLine &sl) {
  if (read_choice(s, sl)) return;
  const Line &l = sl.line;
  Options &o = s.m.options;
  const std::string &k0 = l.tokens[0];
  const std::size_t n = l.tokens.size() - 1;
  const NumericOption *option = file_option(k0);
  const std::size_t vi = option && option->two_words ? 2 : 1;
  if (n < vi) {
    s.warn("option " + k0 + " without a value is skipped");
    return;
  }
  const double y = s.number(l, vi, k0.c_str());
  if (!option) s.fail("unknown option " + k0);
  const OptionRange range = range_of(*option, true);
  if (!in_range(range, y))
    s.fail("option " + k0 + (range == OptionRange::Positive ? " must be positive" : " must not be negative"));
  if (option->kept) {
    if (match(k0, "RQTOL") && y >= 1.0) s.fail("RQTOL must be below 1");
    o.kept_option_lines.push_back(sl.raw);
    s.warn("option " + k0 + " is kept but not used");
    return;
  }
  if (!option->real && !option->count) s.fail("unknown option " + k0);
  // Pressures stay in display units until the section is read; a minimum
  // pressure given before the required one moves the latter's default.
  if (option->real == &Options::minimum_pressure) {
    if (o.required_pressure == kMinPressureDifference) o.required_pressure = y + kMinPressureDifference;
    else if (o.required_pressure - y < kMinPressureDifference) s.fail(std::string(kPressureDifferenceReason));
  }
  if (option->real == &Options::required_pressure && y - o.minimum_pressure < kMinPressureDifference)
    s.fail(std::string(kPressureDifferenceReason));
  set_option(o, *option, y);
}

void settle_options(ReadState &s) {
  // Values with units are converted once the units are known.
  for (const NumericOption &option : numeric_options())
    if (option.real && option.unit != OptionUnit::None) s.m.options.*option.real *= to_si(option.unit, s.m);
}

namespace {

// The value of a [TIMES] line: its last field, a number of hours or a time;
// or its last two fields, a value and its unit.
double time_value(const ReadState &s, const Line &l, const std::string &key) {
  const std::size_t n = l.tokens.size() - 1;
  std::optional<double> h = parse_number(l.tokens[n]);
  if (!h) h = parse_file_hours(l.tokens[n], "");
  if (!h && n >= 2) h = parse_file_hours(l.tokens[n - 1], l.tokens[n]);
  if (!h) s.fail("invalid time value for " + key + ": " + l.tokens[n]);
  if (*h < 0) s.fail("negative time value for " + key + ": " + l.tokens[n]);
  return std::floor(3600.0 * *h + 0.5);
}

}  // namespace

void read_time(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Times &t = s.m.times;
  const std::string &k0 = l.tokens[0];
  if (l.tokens.size() < 2) s.fail("missing value for " + k0);
  if (match(k0, "STAT")) {
    const std::string &v = l.tokens.back();
    if (match(v, "NONE") || match(v, "NO")) t.statistic = "NONE";
    else if (match(v, "AVERAGE")) t.statistic = "AVERAGE";
    else if (match(v, "MINIMUM")) t.statistic = "MINIMUM";
    else if (match(v, "MAXIMUM")) t.statistic = "MAXIMUM";
    else if (match(v, "RANGE")) t.statistic = "RANGE";
    else s.fail("unknown statistic " + v);
    return;
  }
  const double v = time_value(s, l, k0);
  if (match(k0, "MINI")) {
    s.warn("MINIMUM TRAVELTIME is obsolete and skipped");
    return;
  }
  const auto settings = time_options();
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const TimeOption &setting = settings[i];
    if (!match(k0, setting.file_key)) continue;
    if (!setting.file_second.empty() && !match(l.tokens[1], setting.file_second)) continue;
    t.*setting.field = setting.clock ? std::fmod(v, units::kSecondsPerDay) : v;
    s.settings.times_given[i] = true;
    return;
  }
  const bool two_words = std::any_of(settings.begin(), settings.end(), [&](const TimeOption &setting) {
    return !setting.file_second.empty() && match(k0, setting.file_key);
  });
  s.fail("unknown time parameter " + k0 + (two_words ? " " + l.tokens[1] : ""));
}

namespace {
// Whether the file gave the time setting `field`.
bool given(const ReadState &s, double Times::*field) {
  const auto settings = time_options();
  for (std::size_t i = 0; i < settings.size(); ++i)
    if (settings[i].field == field) return s.settings.times_given[i];
  return false;
}
}  // namespace

void settle_times(ReadState &s) {
  Times &t = s.m.times;
  // Defaults and bounds of the reference engine, made explicit so that a
  // saved file means the same everywhere.
  if (t.pattern_step <= 0) t.pattern_step = 3600;
  if (given(s, &Times::report_step) && t.report_step == 0) t.report_step = t.pattern_step;
  if (t.hydraulic_step <= 0) t.hydraulic_step = 3600;
  t.hydraulic_step = std::min({t.hydraulic_step, t.pattern_step, t.report_step});
  const double hstep = t.hydraulic_step;
  if (t.report_start > t.duration) {
    s.warn("report start after the end of the simulation: reporting starts at 0");
    t.report_start = 0;
  }
  if (!given(s, &Times::quality_step) || t.quality_step == 0) t.quality_step = std::floor(hstep / 10);
  t.quality_step = std::min(t.quality_step, hstep);
  if (!given(s, &Times::rule_step) || t.rule_step == 0) t.rule_step = std::floor(hstep / 10);
  t.rule_step = std::min(t.rule_step, hstep);
}

}  // namespace orv::inp
