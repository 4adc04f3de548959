// [OPTIONS] and [TIMES].
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "io/inp_sections.hpp"
#include "model/time_span.hpp"
#include "model/units.hpp"

namespace orv::inp {

namespace {

// The gravity option is recognised, as other keywords, by its first four letters.
constexpr std::string_view kGravityKey = std::string_view("SPECIFIC").substr(0, 4);

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

bool known_value_option(const std::string &k0) {
  static constexpr std::string_view keys[] = {"TOLER", "DIFF", "DAMPLIMIT", "FLOWCHANGE", "HEADERROR", "MINI",
                                              "REQ", "PRESSURE", "VISC", kGravityKey, "TRIAL", "ACCU", "HTOL",
                                              "QTOL", "RQTOL", "CHECKFREQ", "MAXCHECK", "EMIT", "DEMAND", "PREC"};
  for (const std::string_view k : keys)
    if (match(k0, k)) return true;
  return false;
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
    if (match(t1, "H-W")) o.headloss = HeadlossFormula::HazenWilliams;
    else if (match(t1, "D-W")) o.headloss = HeadlossFormula::DarcyWeisbach;
    else if (match(t1, "C-M")) o.headloss = HeadlossFormula::ChezyManning;
    else s.fail("unknown headloss formula " + t1);
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
    if (match(l.tokens[2], "DDA")) o.demand_model = DemandModel::DemandDriven;
    else if (match(l.tokens[2], "PDA")) o.demand_model = DemandModel::PressureDriven;
    else s.fail("DEMAND MODEL must be DDA or PDA");
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
  const bool second = match(k0, kGravityKey) || match(k0, "EMIT") || match(k0, "DEMAND") || match(k0, "MINI") ||
                      match(k0, "REQ") || match(k0, "PRESSURE") || match(k0, "PREC");
  const std::size_t vi = second ? 2 : 1;
  if (n < vi) {
    s.warn("option " + k0 + " without a value is skipped");
    return;
  }
  const double y = s.number(l, vi, k0.c_str());
  auto at_least_zero = [&] {
    if (y < 0) s.fail("option " + k0 + " must not be negative");
  };
  double &required = s.settings.required_pressure;
  if (match(k0, "TOLER")) { at_least_zero(); o.quality_tolerance = y; return; }
  if (match(k0, "DIFF")) { at_least_zero(); o.diffusivity = y; return; }
  if (match(k0, "DAMPLIMIT")) { o.damp_limit = y; return; }
  if (match(k0, "FLOWCHANGE")) { at_least_zero(); o.flow_change = y; return; }
  if (match(k0, "HEADERROR")) { at_least_zero(); o.head_error = y; return; }
  if (match(k0, "MINI")) {
    at_least_zero();
    if (required == kMinPressureDifference) required = y + kMinPressureDifference;
    else if (required - y < kMinPressureDifference) s.fail("required pressure must exceed the minimum pressure by 0.1");
    o.minimum_pressure = y;
    return;
  }
  if (match(k0, "REQ")) {
    at_least_zero();
    if (y - o.minimum_pressure < kMinPressureDifference) s.fail("required pressure must exceed the minimum pressure by 0.1");
    required = y;
    return;
  }
  if (match(k0, "PRESSURE")) { at_least_zero(); o.pressure_exponent = y; return; }
  if (y <= 0 && known_value_option(k0)) s.fail("option " + k0 + " must be positive");
  if (match(k0, "VISC")) o.viscosity = y;
  else if (match(k0, kGravityKey)) o.specific_gravity = y;
  else if (match(k0, "TRIAL")) o.trials = static_cast<int>(y);
  else if (match(k0, "ACCU")) o.accuracy = y;
  else if (match(k0, "HTOL") || match(k0, "QTOL") || match(k0, "RQTOL")) {
    if (match(k0, "RQTOL") && y >= 1.0) s.fail("RQTOL must be below 1");
    o.kept_option_lines.push_back(sl.raw);
    s.warn("option " + k0 + " is kept but not used");
  }
  else if (match(k0, "CHECKFREQ")) o.check_freq = static_cast<int>(y);
  else if (match(k0, "MAXCHECK")) o.max_check = static_cast<int>(y);
  else if (match(k0, "EMIT")) o.emitter_exponent = y;
  else if (match(k0, "DEMAND")) o.demand_multiplier = y;
  else s.fail("unknown option " + k0);
}

void settle_options(ReadState &s) {
  Options &o = s.m.options;
  o.required_pressure = s.settings.required_pressure;
  // Pressure-dependent values are converted once the pressure unit is known.
  const double p = s.pres_si();
  o.minimum_pressure *= p;
  o.required_pressure *= p;
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
  if (match(k0, "DURA")) t.duration = v;
  else if (match(k0, "HYDR")) t.hydraulic_step = v;
  else if (match(k0, "QUAL")) { t.quality_step = v; s.settings.quality_step = true; }
  else if (match(k0, "RULE")) { t.rule_step = v; s.settings.rule_step = true; }
  else if (match(k0, "MINI")) s.warn("MINIMUM TRAVELTIME is obsolete and skipped");
  else if (match(k0, "PATT") || match(k0, "REPO")) {
    const bool pattern = match(k0, "PATT");
    if (match(l.tokens[1], "TIME")) {
      (pattern ? t.pattern_step : t.report_step) = v;
      if (!pattern) s.settings.report_step = true;
    } else if (match(l.tokens[1], "STAR")) (pattern ? t.pattern_start : t.report_start) = v;
    else s.fail("unknown time parameter " + k0 + " " + l.tokens[1]);
  } else if (match(k0, "STAR")) t.start_clocktime = std::fmod(v, units::kSecondsPerDay);
  else s.fail("unknown time parameter " + k0);
}

void settle_times(ReadState &s) {
  Times &t = s.m.times;
  // Defaults and bounds of the reference engine, made explicit so that a
  // saved file means the same everywhere.
  if (t.pattern_step <= 0) t.pattern_step = 3600;
  if (s.settings.report_step && t.report_step == 0) t.report_step = t.pattern_step;
  if (t.hydraulic_step <= 0) t.hydraulic_step = 3600;
  t.hydraulic_step = std::min({t.hydraulic_step, t.pattern_step, t.report_step});
  const double hstep = t.hydraulic_step;
  if (t.report_start > t.duration) {
    s.warn("report start after the end of the simulation: reporting starts at 0");
    t.report_start = 0;
  }
  if (!s.settings.quality_step || t.quality_step == 0) t.quality_step = std::floor(hstep / 10);
  t.quality_step = std::min(t.quality_step, hstep);
  if (!s.settings.rule_step || t.rule_step == 0) t.rule_step = std::floor(hstep / 10);
  t.rule_step = std::min(t.rule_step, hstep);
}

}  // namespace orv::inp
