// INP reader. The file is first split into sections; the sections are then
// interpreted in dependency order (options, patterns and curves before the
// elements that refer to them). Elements are numbered in the order of their
// lines: junctions first, then tanks and reservoirs, and links in the order
// of the [PIPES], [PUMPS] and [VALVES] lines, however those sections are
// arranged or repeated.
//
// What is accepted follows the format's reference engine: keywords may be
// abbreviated or extended (a token matches a keyword when it starts with the
// keyword's short form), optional fields take their defaults, and data the
// reference engine skips (a coordinate of an unknown node, a demand on a
// tank, ...) is skipped with a warning kept in Model::load_warnings. An
// element may be referred to only below the line defining it, as the
// reference engine reads a file in one pass.
#include "io/inp_reader.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <tuple>

#include "io/inp_text.hpp"
#include "model/time_span.hpp"
#include "model/units.hpp"

namespace orv {

namespace {

using inp::Line;
using inp::match;

enum class Section {
  Title, Junctions, Reservoirs, Tanks, Pipes, Pumps, Valves, Controls, Rules, Demands, Sources,
  Emitters, Patterns, Curves, Quality, Status, Roughness, Energy, Reactions, Mixing, Report, Times,
  Options, Coordinates, Vertices, Labels, Backdrop, Tags, Leakage, End, Count
};

// In the order the reference engine tries them: a header is the first name
// its token starts with.
constexpr std::array<const char *, static_cast<int>(Section::Count)> kSectionNames = {
    "[TITLE]",    "[JUNCTIONS]", "[RESERVOIRS]",  "[TANKS]",     "[PIPES]",    "[PUMPS]",
    "[VALVES]",   "[CONTROLS]",  "[RULES]",       "[DEMANDS]",   "[SOURCES]",  "[EMITTERS]",
    "[PATTERNS]", "[CURVES]",    "[QUALITY]",     "[STATUS]",    "[ROUGHNESS]", "[ENERGY]",
    "[REACTIONS]", "[MIXING]",   "[REPORT]",      "[TIMES]",     "[OPTIONS]",  "[COORDINATES]",
    "[VERTICES]", "[LABELS]",    "[BACKDROP]",    "[TAGS]",      "[LEAKAGE]",  "[END]"};

// Longest identifier other engines of the format accept.
constexpr std::size_t kMaxIdLength = 31;
// The gravity option is recognised, as other keywords, by its first four letters.
constexpr std::string_view kGravityKey = std::string_view("SPECIFIC").substr(0, 4);
// Fields of a line other engines of the format read; the rest they drop.
constexpr std::size_t kMaxFields = 40;
// Least difference between the required and the minimum pressure (display units).
constexpr double kMinPressureDifference = 0.1;
constexpr std::size_t kMaxWarnings = 1000;

struct SectionLine {
  Line line;
  std::string raw;            // original text (verbatim sections)
  std::string line_comment;   // comment line just before a PATTERNS or CURVES entry
};

// Raw curve points in file units until their use fixes the unit system.
struct RawCurve {
  std::vector<double> x, y;
  CurveKind declared = CurveKind::Generic;  // type word after a point
  std::vector<CurveKind> uses;
  int line = 0;
};

// Where an identifier is used or defined: the line, for the reference
// engine's one-pass rule.
struct Definition {
  int line = 0;
};

// strtol on the leading digits, 0 when none: ranges of numeric identifiers.
long leading_number(const std::string &s) { return std::strtol(s.c_str(), nullptr, 10); }

// The reference engine's ranges "first last": numeric when both bounds are,
// otherwise by comparing the identifiers as text.
bool in_range(const std::string &id, const std::string &first, const std::string &last) {
  const long a = leading_number(first), b = leading_number(last);
  if (a > 0 && b > 0) {
    const long i = leading_number(id);
    return i >= a && i <= b;
  }
  return std::strcmp(first.c_str(), id.c_str()) <= 0 && std::strcmp(last.c_str(), id.c_str()) >= 0;
}

class Reader {
 public:
  Reader(std::string name) : file_(std::move(name)) {}

  Model read(const std::string &text) {
    split_sections(text);
    options();
    times();
    patterns();
    curves();
    nodes();
    links();
    tags();
    demands();
    status();
    emitters();
    leakage();
    quality();
    sources();
    reactions();
    mixing();
    energy();
    controls();
    rules();
    report();
    coordinates();
    vertices();
    verbatim();
    finish();
    return std::move(m_);
  }

 private:
  std::string file_;
  Model m_;
  std::vector<SectionLine> sections_[static_cast<int>(Section::Count)];
  std::vector<RawCurve> raw_curves_;
  std::vector<bool> demands_from_section_;
  std::vector<int> node_line_, link_line_;  // defining line of each node and link
  std::string default_pattern_id_ = "1";
  bool default_pattern_given_ = false;
  int default_pattern_line_ = 0;
  int trace_line_ = 0;
  double required_pressure_ = kMinPressureDifference;
  int line_ = 0;  // line being interpreted, for errors and warnings
  std::size_t dropped_warnings_ = 0;

  [[noreturn]] void fail(const std::string &reason) const { throw InputError(file_, line_, reason); }

  void warn(const std::string &reason) {
    if (m_.load_warnings.size() < kMaxWarnings) m_.load_warnings.emplace_back(line_, reason);
    else ++dropped_warnings_;
  }

  std::vector<SectionLine> &lines(Section s) { return sections_[static_cast<int>(s)]; }

  // Lines of several sections merged in file order.
  std::vector<std::pair<Section, const SectionLine *>> in_line_order(std::initializer_list<Section> group) {
    std::vector<std::pair<Section, const SectionLine *>> out;
    for (Section s : group)
      for (const SectionLine &sl : lines(s)) out.emplace_back(s, &sl);
    std::stable_sort(out.begin(), out.end(),
                     [](const auto &a, const auto &b) { return a.second->line.number < b.second->line.number; });
    return out;
  }

  void split_sections(const std::string &text) {
    int current = -1;
    bool warned_outside = false;
    std::string pending_comment;
    // A byte-order mark, as some editors write, is not part of the first line.
    std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    int number = 0;
    while (pos <= text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string raw = text.substr(pos, end - pos);
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      pos = end + 1;
      ++number;
      line_ = number;
      Line line = inp::split_line(raw, number);
      if (!line.tokens.empty() && !line.tokens[0].empty() && line.tokens[0].front() == '[') {
        current = -1;
        for (std::size_t i = 0; i < kSectionNames.size() && current < 0; ++i)
          if (match(line.tokens[0], kSectionNames[i])) current = static_cast<int>(i);
        if (current < 0) fail("unknown section " + line.tokens[0]);
        if (current == static_cast<int>(Section::End)) break;
        if (current == static_cast<int>(Section::Roughness)) warn("section [ROUGHNESS] is not used: its lines are skipped");
        pending_comment.clear();
        continue;
      }
      if (current == static_cast<int>(Section::Title)) {
        if (!m_.title.empty() || !raw.empty()) {
          if (!m_.title.empty()) m_.title += '\n';
          m_.title += raw;
        }
        continue;
      }
      if (line.tokens.empty()) {
        pending_comment = line.comment;
        continue;
      }
      if (current < 0) {
        if (!warned_outside) warn("data outside of any section is skipped");
        warned_outside = true;
        continue;
      }
      if (current == static_cast<int>(Section::Roughness)) continue;
      if (line.tokens.size() > kMaxFields)
        warn("more than " + std::to_string(kMaxFields) + " fields on a line: other programs read only the first " +
             std::to_string(kMaxFields));
      sections_[current].push_back({std::move(line), raw, pending_comment});
      pending_comment.clear();
    }
    // Trailing blank title lines carry no information.
    while (!m_.title.empty() && (m_.title.back() == '\n' || m_.title.back() == ' ')) m_.title.pop_back();
  }

  // ---- field helpers ----
  double number(const Line &l, std::size_t i, const char *what) {
    if (i >= l.tokens.size()) fail(std::string("missing ") + what);
    auto v = parse_number(l.tokens[i]);
    if (!v) fail(std::string("invalid number for ") + what + ": " + l.tokens[i]);
    return *v;
  }
  double non_negative(const Line &l, std::size_t i, const char *what) {
    double v = number(l, i, what);
    if (v < 0) fail(std::string("negative ") + what + ": " + l.tokens[i]);
    return v;
  }
  double positive(const Line &l, std::size_t i, const char *what) {
    double v = non_negative(l, i, what);
    if (v <= 0) fail(std::string(what) + " must be positive");
    return v;
  }
  void need(const Line &l, std::size_t n, const char *what) {
    if (l.tokens.size() < n) fail(std::string("too few fields for ") + what);
  }
  // A node or link defined above the current line.
  int node_ref(const std::string &id) {
    int i = m_.find_node(id);
    if (i == kNone) fail("unknown node " + id);
    if (node_line_[i] > line_) fail("node " + id + " is used before its definition (line " + std::to_string(node_line_[i]) + ")");
    return i;
  }
  int link_ref(const std::string &id) {
    int i = m_.find_link(id);
    if (i == kNone) fail("unknown link " + id);
    if (link_line_[i] > line_) fail("link " + id + " is used before its definition (line " + std::to_string(link_line_[i]) + ")");
    return i;
  }
  // Optional references: kNone (with a warning) when the reference engine skips the line.
  int node_or_skip(const std::string &id, const char *what) {
    int i = m_.find_node(id);
    if (i == kNone) warn(std::string(what) + " of unknown node " + id + " skipped");
    return i;
  }
  int link_or_skip(const std::string &id, const char *what) {
    int i = m_.find_link(id);
    if (i == kNone) warn(std::string(what) + " of unknown link " + id + " skipped");
    return i;
  }
  int pattern_ref(const std::string &id) {
    int i = m_.find_pattern(id);
    if (i == kNone) fail("unknown pattern " + id);
    return i;
  }
  int curve_ref(const std::string &id) {
    int i = m_.find_curve(id);
    if (i == kNone) fail("unknown curve " + id);
    return i;
  }
  void use_curve(int c, CurveKind kind) { raw_curves_[c].uses.push_back(kind); }
  void check_id(const std::string &id) {
    // The format's identifiers hold at most 31 characters; longer ones are
    // refused, as the reference engine refuses them.
    if (id.size() > kMaxIdLength)
      fail("identifier " + id + " is longer than " + std::to_string(kMaxIdLength) + " characters");
  }

  // ---- unit factors (display -> SI) ----
  bool us() const { return m_.us_units(); }
  double flow_si() const { return 1.0 / units::flow(m_.options.flow_units); }
  double len_si() const { return us() ? units::kFoot : 1.0; }
  double diam_si() const { return us() ? units::kFoot / 12.0 : 0.001; }
  double pres_si() const { return 1.0 / units::pressure(m_); }
  double vol_si() const { return us() ? units::kCubicFoot : 1.0; }
  double power_si() const { return units::power_to_si(us()); }

  // Converts a valve setting given in display units.
  double valve_setting_si(LinkKind k, double v) const {
    switch (k) {
      case LinkKind::PRV: case LinkKind::PSV: case LinkKind::PBV: return v * pres_si();
      case LinkKind::FCV: return v * flow_si();
      default: return v;
    }
  }

  // ---- sections ----
  bool set_flow_units(const std::string &tok) {
    // No name is the start of another, so the order of trying them does not
    // matter; SI stands for LPS.
    for (const units::FlowUnitName &f : units::flow_unit_names())
      if (match(tok, f.name)) {
        m_.options.flow_units = f.units;
        return true;
      }
    if (match(tok, "SI")) m_.options.flow_units = FlowUnits::LPS;
    return match(tok, "SI");
  }

  void options() {
    Options &o = m_.options;
    for (auto &sl : lines(Section::Options)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::string &k0 = l.tokens[0];
      const std::size_t n = l.tokens.size() - 1;  // index of the last field
      const std::string t1 = n >= 1 ? l.tokens[1] : "";
      // Choices
      if (match(k0, "UNIT")) {
        if (n >= 1 && !set_flow_units(t1)) fail("unknown flow units " + t1);
        continue;
      }
      if (match(k0, "PRESSURE") && !(n >= 1 && match(t1, "EXP"))) {
        if (n < 1) continue;
        static const std::pair<const char *, const char *> names[] = {
            {"PSI", "PSI"}, {"KPA", "KPA"}, {"METERS", "METERS"}, {"BAR", "BAR"}, {"FEET", "FEET"}, {"METRES", "METERS"}};
        const char *found = nullptr;
        for (auto &[key, name] : names)
          if (!found && match(t1, key)) found = name;
        if (!found) fail("unknown pressure units " + t1);
        o.pressure_units = found;
        continue;
      }
      if (match(k0, "HEADL")) {
        if (n < 1) continue;
        if (match(t1, "H-W")) o.headloss = HeadlossFormula::HazenWilliams;
        else if (match(t1, "D-W")) o.headloss = HeadlossFormula::DarcyWeisbach;
        else if (match(t1, "C-M")) o.headloss = HeadlossFormula::ChezyManning;
        else fail("unknown headloss formula " + t1);
        continue;
      }
      if (match(k0, "HYDR")) {
        // A hydraulics file is never used (results always come from a fresh
        // run); the option is kept for writing.
        if (n < 2) continue;
        if (match(t1, "USE")) o.hydraulics_mode = "USE";
        else if (match(t1, "SAVE")) o.hydraulics_mode = "SAVE";
        else fail("HYDRAULICS must be USE or SAVE");
        o.hydraulics_file = l.tokens[2];
        warn("hydraulics file " + o.hydraulics_file + " is not used");
        continue;
      }
      if (match(k0, "QUAL")) {
        if (n < 1) continue;
        // Any other word names the chemical (quoted, it may hold blanks or be empty).
        if (match(t1, "NONE")) o.quality = QualityKind::None;
        else if (match(t1, "CHEM")) o.quality = QualityKind::Chemical, o.quality_name = "Chemical";
        else if (match(t1, "AGE")) o.quality = QualityKind::Age;
        else if (match(t1, "TRACE")) o.quality = QualityKind::Trace;
        else o.quality = QualityKind::Chemical, o.quality_name = t1;
        if (o.quality == QualityKind::Chemical && n >= 2) o.quality_units = l.tokens[2];
        if (o.quality == QualityKind::Trace) {
          if (n < 2) fail("too few fields for QUALITY TRACE");
          o.trace_node = l.tokens[2];
          trace_line_ = l.number;
        }
        continue;
      }
      if (match(k0, "MAP")) {
        if (n >= 1) o.map_file = t1;
        continue;
      }
      if (match(k0, "VERI")) {
        warn("option VERIFY is obsolete and skipped");
        continue;
      }
      if (match(k0, "UNBA")) {
        if (n < 1) continue;
        if (match(t1, "STOP")) o.unbalanced_continue = -1;
        else if (match(t1, "CONT")) o.unbalanced_continue = n >= 2 ? std::atoi(l.tokens[2].c_str()) : 0;
        else fail("UNBALANCED must be STOP or CONTINUE");
        continue;
      }
      if (match(k0, "PATT")) {
        if (n < 1) continue;
        default_pattern_id_ = t1;
        default_pattern_given_ = true;
        default_pattern_line_ = l.number;
        continue;
      }
      if (match(k0, "DEMAND") && n >= 2 && match(t1, "MODEL")) {
        if (match(l.tokens[2], "DDA")) o.demand_model = DemandModel::DemandDriven;
        else if (match(l.tokens[2], "PDA")) o.demand_model = DemandModel::PressureDriven;
        else fail("DEMAND MODEL must be DDA or PDA");
        continue;
      }
      if (match(k0, "BACK") && n >= 2 && match(t1, "ALLOW")) {
        if (match(l.tokens[2], "NO")) o.emitter_backflow = false;
        else if (match(l.tokens[2], "YES")) o.emitter_backflow = true;
        else fail("BACKFLOW ALLOWED must be YES or NO");
        continue;
      }
      if (match(k0, "EMIT") && n >= 2 && match(t1, "BACK")) {
        // Written by earlier versions of this program; other programs refuse it.
        o.emitter_backflow = match(l.tokens[2], "YES");
        warn("EMITTER BACKFLOW is read as BACKFLOW ALLOWED");
        continue;
      }
      // Values
      if (match(k0, "SEGM")) {
        warn("option SEGMENTS is obsolete and skipped");
        continue;
      }
      const bool second = match(k0, kGravityKey) || match(k0, "EMIT") || match(k0, "DEMAND") || match(k0, "MINI") ||
                          match(k0, "REQ") || match(k0, "PRESSURE") || match(k0, "PREC");
      const std::size_t vi = second ? 2 : 1;
      if (n < vi) {
        warn("option " + k0 + " without a value is skipped");
        continue;
      }
      const double y = number(l, vi, k0.c_str());
      auto at_least_zero = [&] {
        if (y < 0) fail("option " + k0 + " must not be negative");
      };
      if (match(k0, "TOLER")) { at_least_zero(); o.quality_tolerance = y; continue; }
      if (match(k0, "DIFF")) { at_least_zero(); o.diffusivity = y; continue; }
      if (match(k0, "DAMPLIMIT")) { o.damp_limit = y; continue; }
      if (match(k0, "FLOWCHANGE")) { at_least_zero(); o.flow_change = y; continue; }
      if (match(k0, "HEADERROR")) { at_least_zero(); o.head_error = y; continue; }
      if (match(k0, "MINI")) {
        at_least_zero();
        if (required_pressure_ == kMinPressureDifference) required_pressure_ = y + kMinPressureDifference;
        else if (required_pressure_ - y < kMinPressureDifference)
          fail("required pressure must exceed the minimum pressure by 0.1");
        o.minimum_pressure = y;
        continue;
      }
      if (match(k0, "REQ")) {
        at_least_zero();
        if (y - o.minimum_pressure < kMinPressureDifference)
          fail("required pressure must exceed the minimum pressure by 0.1");
        required_pressure_ = y;
        continue;
      }
      if (match(k0, "PRESSURE")) { at_least_zero(); o.pressure_exponent = y; continue; }
      if (y <= 0 && known_value_option(k0)) fail("option " + k0 + " must be positive");
      if (match(k0, "VISC")) o.viscosity = y;
      else if (match(k0, kGravityKey)) o.specific_gravity = y;
      else if (match(k0, "TRIAL")) o.trials = static_cast<int>(y);
      else if (match(k0, "ACCU")) o.accuracy = y;
      else if (match(k0, "HTOL") || match(k0, "QTOL") || match(k0, "RQTOL")) {
        if (match(k0, "RQTOL") && y >= 1.0) fail("RQTOL must be below 1");
        o.kept_option_lines.push_back(sl.raw);
        warn("option " + k0 + " is kept but not used");
      }
      else if (match(k0, "CHECKFREQ")) o.check_freq = static_cast<int>(y);
      else if (match(k0, "MAXCHECK")) o.max_check = static_cast<int>(y);
      else if (match(k0, "EMIT")) o.emitter_exponent = y;
      else if (match(k0, "DEMAND")) o.demand_multiplier = y;
      else fail("unknown option " + k0);
    }
    o.required_pressure = required_pressure_;
    // Pressure-dependent values are converted once the pressure unit is known.
    const double p = pres_si();
    o.minimum_pressure *= p;
    o.required_pressure *= p;
  }

  static bool known_value_option(const std::string &k0) {
    static constexpr std::string_view keys[] = {"TOLER", "DIFF", "DAMPLIMIT", "FLOWCHANGE", "HEADERROR", "MINI",
                                                "REQ", "PRESSURE", "VISC", kGravityKey, "TRIAL", "ACCU", "HTOL",
                                                "QTOL", "RQTOL", "CHECKFREQ", "MAXCHECK", "EMIT", "DEMAND", "PREC"};
    for (const std::string_view k : keys)
      if (match(k0, k)) return true;
    return false;
  }

  // The value of a [TIMES] line: its last field, a number of hours or a time;
  // or its last two fields, a value and its unit.
  double time_value(const Line &l, const std::string &key) {
    const std::size_t n = l.tokens.size() - 1;
    std::optional<double> h = parse_number(l.tokens[n]);
    if (!h) h = parse_file_hours(l.tokens[n], "");
    if (!h && n >= 2) h = parse_file_hours(l.tokens[n - 1], l.tokens[n]);
    if (!h) fail("invalid time value for " + key + ": " + l.tokens[n]);
    if (*h < 0) fail("negative time value for " + key + ": " + l.tokens[n]);
    return std::floor(3600.0 * *h + 0.5);
  }

  void times() {
    Times &t = m_.times;
    bool quality_step = false, rule_step = false, report_step = false;
    for (auto &sl : lines(Section::Times)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::string &k0 = l.tokens[0];
      if (l.tokens.size() < 2) fail("missing value for " + k0);
      if (match(k0, "STAT")) {
        const std::string &v = l.tokens.back();
        if (match(v, "NONE") || match(v, "NO")) t.statistic = "NONE";
        else if (match(v, "AVERAGE")) t.statistic = "AVERAGE";
        else if (match(v, "MINIMUM")) t.statistic = "MINIMUM";
        else if (match(v, "MAXIMUM")) t.statistic = "MAXIMUM";
        else if (match(v, "RANGE")) t.statistic = "RANGE";
        else fail("unknown statistic " + v);
        continue;
      }
      const double v = time_value(l, k0);
      if (match(k0, "DURA")) t.duration = v;
      else if (match(k0, "HYDR")) t.hydraulic_step = v;
      else if (match(k0, "QUAL")) { t.quality_step = v; quality_step = true; }
      else if (match(k0, "RULE")) { t.rule_step = v; rule_step = true; }
      else if (match(k0, "MINI")) warn("MINIMUM TRAVELTIME is obsolete and skipped");
      else if (match(k0, "PATT") || match(k0, "REPO")) {
        const bool pattern = match(k0, "PATT");
        if (match(l.tokens[1], "TIME")) {
          (pattern ? t.pattern_step : t.report_step) = v;
          if (!pattern) report_step = true;
        } else if (match(l.tokens[1], "STAR")) (pattern ? t.pattern_start : t.report_start) = v;
        else fail("unknown time parameter " + k0 + " " + l.tokens[1]);
      } else if (match(k0, "STAR")) t.start_clocktime = std::fmod(v, units::kSecondsPerDay);
      else fail("unknown time parameter " + k0);
    }
    line_ = 0;
    // Defaults and bounds of the reference engine, made explicit so that a
    // saved file means the same everywhere.
    if (t.pattern_step <= 0) t.pattern_step = 3600;
    if (report_step && t.report_step == 0) t.report_step = t.pattern_step;
    if (t.hydraulic_step <= 0) t.hydraulic_step = 3600;
    t.hydraulic_step = std::min({t.hydraulic_step, t.pattern_step, t.report_step});
    const double hstep = t.hydraulic_step;
    if (t.report_start > t.duration) {
      warn("report start after the end of the simulation: reporting starts at 0");
      t.report_start = 0;
    }
    if (!quality_step || t.quality_step == 0) t.quality_step = std::floor(hstep / 10);
    t.quality_step = std::min(t.quality_step, hstep);
    if (!rule_step || t.rule_step == 0) t.rule_step = std::floor(hstep / 10);
    t.rule_step = std::min(t.rule_step, hstep);
  }

  void patterns() {
    for (auto &sl : lines(Section::Patterns)) {
      const Line &l = sl.line;
      line_ = l.number;
      if (l.tokens.size() < 2) fail("pattern " + l.tokens[0] + " without factors");
      int p = m_.find_pattern(l.tokens[0]);
      if (p == kNone) {
        check_id(l.tokens[0]);
        p = static_cast<int>(m_.patterns.size());
        m_.patterns.push_back({l.tokens[0], {}, sl.line_comment});
        m_.pattern_index.emplace(l.tokens[0], p);
      } else if (m_.patterns[p].comment.empty()) {
        m_.patterns[p].comment = sl.line_comment;
      }
      for (std::size_t i = 1; i < l.tokens.size(); ++i) m_.patterns[p].factors.push_back(number(l, i, "pattern factor"));
    }
  }

  void curves() {
    for (auto &sl : lines(Section::Curves)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "curve point");
      const double x = number(l, 1, "curve x value"), y = number(l, 2, "curve y value");
      int c = m_.find_curve(l.tokens[0]);
      if (c == kNone) {
        check_id(l.tokens[0]);
        c = static_cast<int>(m_.curves.size());
        Curve curve;
        curve.id = l.tokens[0];
        curve.comment = sl.line_comment;
        RawCurve raw;
        raw.line = l.number;
        m_.curves.push_back(std::move(curve));
        raw_curves_.push_back(std::move(raw));
        m_.curve_index.emplace(l.tokens[0], c);
      } else if (m_.curves[c].comment.empty()) {
        m_.curves[c].comment = sl.line_comment;
      }
      RawCurve &raw = raw_curves_[c];
      if (l.tokens.size() > 3) {
        // A type word after the point (the reference engine writes one).
        static const std::pair<const char *, CurveKind> kinds[] = {
            {"VOLUME", CurveKind::Volume}, {"PUMP", CurveKind::Pump}, {"EFFIC", CurveKind::Efficiency},
            {"HEADLOSS", CurveKind::Headloss}, {"GENERIC", CurveKind::Generic}, {"VALVE", CurveKind::Generic}};
        for (auto &[name, kind] : kinds)
          if (match(l.tokens[3], name)) {
            raw.declared = kind;
            break;
          }
      }
      if (!raw.x.empty() && x <= raw.x.back()) fail("curve " + l.tokens[0] + ": x values must increase");
      raw.x.push_back(x);
      raw.y.push_back(y);
    }
  }

  int add_node(const Line &l, NodeKind kind) {
    const std::string &id = l.tokens[0];
    if (m_.find_node(id) != kNone) fail("duplicate node identifier " + id);
    check_id(id);
    int i = static_cast<int>(m_.nodes.size());
    Node n;
    n.id = id;
    n.kind = kind;
    n.comment = l.comment;
    m_.nodes.push_back(std::move(n));
    m_.node_index.emplace(id, i);
    demands_from_section_.push_back(false);
    node_line_.push_back(l.number);
    return i;
  }

  void nodes() {
    for (auto &sl : lines(Section::Junctions)) junction(sl.line);
    for (auto [s, sl] : in_line_order({Section::Reservoirs, Section::Tanks})) tank(sl->line);
  }

  void junction(const Line &l) {
    line_ = l.number;
    int i = add_node(l, NodeKind::Junction);
    Node &n = m_.nodes[i];
    if (l.tokens.size() > 1) n.elevation = number(l, 1, "elevation") * len_si();
    else warn("junction " + l.tokens[0] + " without elevation: 0 is used");
    if (l.tokens.size() > 2) {
      Demand d;
      d.base = number(l, 2, "demand") * flow_si();
      if (l.tokens.size() > 3) d.pattern = pattern_ref(l.tokens[3]);
      n.demands.push_back(d);
    }
  }

  // Reservoirs and tanks share one form: up to three fields make a
  // reservoir, more a tank, whichever section the line is in.
  void tank(const Line &l) {
    line_ = l.number;
    need(l, 2, "reservoir or tank (id, elevation or head)");
    const std::size_t n = l.tokens.size();
    if (n > 3 && n < 6) fail("too few fields for tank (id, elevation, initial, minimum and maximum level, diameter)");
    const double elevation = number(l, 1, "elevation");
    Tank t;
    if (n <= 3) {
      t.reservoir = true;
      if (n == 3) t.head_pattern = pattern_ref(l.tokens[2]);
    } else {
      const double initial = non_negative(l, 2, "initial level"), minimum = non_negative(l, 3, "minimum level");
      const double maximum = non_negative(l, 4, "maximum level"), diameter = non_negative(l, 5, "diameter");
      const double min_volume = n >= 7 ? non_negative(l, 6, "minimum volume") : 0.0;
      if (n >= 8 && !l.tokens[7].empty() && l.tokens[7].front() != '*') {
        t.volume_curve = curve_ref(l.tokens[7]);
        use_curve(t.volume_curve, CurveKind::Volume);
      }
      if (n >= 9) {
        if (match(l.tokens[8], "YES")) t.overflow = true;
        else if (match(l.tokens[8], "NO")) t.overflow = false;
        else fail("overflow flag must be YES or NO");
      }
      if (diameter == 0) {
        // The reference engine makes a tank without diameter a reservoir,
        // at the head of its initial level, volume curve or not.
        warn("tank " + l.tokens[0] + " has no diameter: it is a reservoir at its initial level");
        t = Tank{};
        t.reservoir = true;
        const int i = add_node(l, NodeKind::Reservoir);
        m_.nodes[i].elevation = (elevation + initial) * len_si();
        t.node = i;
        m_.nodes[i].tank = static_cast<int>(m_.tanks.size());
        m_.tanks.push_back(t);
        return;
      }
      if (maximum < minimum) fail("maximum level below minimum level");
      if (initial < minimum || initial > maximum) fail("initial level outside the minimum and maximum levels");
      if (t.volume_curve != kNone) {
        const RawCurve &c = raw_curves_[t.volume_curve];
        constexpr double kTiny = 1e-6;
        if (minimum < c.x.front() - kTiny || maximum > c.x.back() + kTiny)
          fail("tank levels outside the volume curve " + m_.curves[t.volume_curve].id);
      }
      t.initial_level = initial * len_si();
      t.min_level = minimum * len_si();
      t.max_level = maximum * len_si();
      t.diameter = diameter * len_si();
      t.min_volume = min_volume * vol_si();
    }
    const int i = add_node(l, t.reservoir ? NodeKind::Reservoir : NodeKind::Tank);
    m_.nodes[i].elevation = elevation * len_si();
    t.node = i;
    m_.nodes[i].tank = static_cast<int>(m_.tanks.size());
    m_.tanks.push_back(t);
  }

  int add_link(const Line &l, LinkKind kind) {
    const std::string &id = l.tokens[0];
    const int from = node_ref(l.tokens[1]), to = node_ref(l.tokens[2]);
    if (from == to) fail("link " + id + " connects a node to itself");
    if (m_.find_link(id) != kNone) fail("duplicate link identifier " + id);
    check_id(id);
    Link link;
    link.id = id;
    link.kind = kind;
    link.from = from;
    link.to = to;
    link.comment = l.comment;
    int i = static_cast<int>(m_.links.size());
    m_.links.push_back(std::move(link));
    m_.link_index.emplace(id, i);
    link_line_.push_back(l.number);
    return i;
  }

  void links() {
    for (auto [s, sl] : in_line_order({Section::Pipes, Section::Pumps, Section::Valves})) {
      line_ = sl->line.number;
      if (s == Section::Pipes) pipe(sl->line);
      else if (s == Section::Pumps) pump(sl->line);
      else valve(sl->line);
    }
  }

  double positive_dimension(const Line &l, std::size_t i, const char *what, const char *zero_reason) {
    double v = non_negative(l, i, what);
    if (v <= 0) fail(zero_reason);
    return v;
  }

  void pipe(const Line &l) {
    if (l.tokens.size() < 3) {
      warn("pipe line with fewer than three fields skipped");
      return;
    }
    int i = add_link(l, LinkKind::Pipe);
    Link &p = m_.links[i];
    const std::size_t n = l.tokens.size();
    // The reference engine's defaults for missing fields.
    double length = us() ? 330.0 : 100.0, diameter = us() ? 10.0 : 254.0;
    double roughness = m_.options.headloss == HeadlossFormula::HazenWilliams   ? 130.0
                       : m_.options.headloss == HeadlossFormula::DarcyWeisbach ? 0.0005
                                                                               : 0.01;
    if (n < 6) warn("pipe " + p.id + " lacks length, diameter or roughness: defaults are used");
    if (n > 3) length = positive_dimension(l, 3, "length", "pipe length must be positive");
    if (n > 4) diameter = positive_dimension(l, 4, "diameter", "pipe diameter must be positive");
    if (n > 5) roughness = positive_dimension(l, 5, "roughness", "pipe roughness must be positive");
    p.length = length * len_si();
    p.diameter = diameter * diam_si();
    p.roughness = roughness;
    if (m_.options.headloss == HeadlossFormula::DarcyWeisbach) p.roughness *= us() ? units::kFoot / 1000.0 : 0.001;
    auto status = [&](const std::string &s) {
      if (match(s, "CV")) p.kind = LinkKind::CVPipe;
      else if (match(s, "CLOSED")) p.initial_status = LinkStatus::Closed;
      else if (match(s, "OPEN")) p.initial_status = LinkStatus::Open;
      else return false;
      return true;
    };
    if (n == 7 && !status(l.tokens[6])) p.minor_loss = non_negative(l, 6, "minor loss");
    if (n > 7) {
      p.minor_loss = non_negative(l, 6, "minor loss");
      if (!status(l.tokens[7])) fail("pipe status must be OPEN, CLOSED or CV");
    }
  }

  void pump(const Line &l) {
    if (l.tokens.size() < 3) {
      warn("pump line with fewer than three fields skipped");
      return;
    }
    int i = add_link(l, LinkKind::Pump);
    Pump pump;
    const std::size_t n = l.tokens.size();
    std::size_t k = 3;
    for (; k + 1 < n; k += 2) {
      const std::string &key = l.tokens[k];
      if (match(key, "POWER")) {
        pump.power = positive(l, k + 1, "pump power") * power_si();
      } else if (match(key, "HEAD")) {
        pump.head_curve = curve_ref(l.tokens[k + 1]);
        use_curve(pump.head_curve, CurveKind::Pump);
      } else if (match(key, "PATT")) {
        pump.speed_pattern = pattern_ref(l.tokens[k + 1]);
      } else if (match(key, "SPEE")) {
        pump.speed = non_negative(l, k + 1, "speed");
      } else {
        fail("unknown pump keyword " + key);
      }
    }
    if (k < n) warn("pump keyword " + l.tokens[k] + " without value skipped");
    if (pump.head_curve != kNone) pump.curve_kind = PumpCurveKind::HeadCurve;
    else if (pump.power > 0) pump.curve_kind = PumpCurveKind::ConstantPower;
    else fail("pump " + l.tokens[0] + " has neither head curve nor power");
    Link &link = m_.links[i];
    link.setting = pump.speed;
    if (pump.speed == 0) link.initial_status = LinkStatus::Closed;
    link.pump = static_cast<int>(m_.pumps.size());
    m_.pumps.push_back(pump);
  }

  void valve(const Line &l) {
    if (l.tokens.size() < 5) {
      warn("valve line with fewer than five fields skipped");
      return;
    }
    const std::string &type = l.tokens[4];
    LinkKind kind;
    if (match(type, "PRV")) kind = LinkKind::PRV;
    else if (match(type, "PSV")) kind = LinkKind::PSV;
    else if (match(type, "PBV")) kind = LinkKind::PBV;
    else if (match(type, "FCV")) kind = LinkKind::FCV;
    else if (match(type, "TCV")) kind = LinkKind::TCV;
    else if (match(type, "GPV")) kind = LinkKind::GPV;
    else if (match(type, "PCV")) fail("positional control valves (PCV) are not supported");
    else fail("unknown valve type " + type);
    const int from = node_ref(l.tokens[1]), to = node_ref(l.tokens[2]);
    check_valve_arrangement(kind, upper(type).substr(0, 3), from, to);
    int i = add_link(l, kind);
    Link &v = m_.links[i];
    v.diameter = positive_dimension(l, 3, "diameter", "valve diameter must be positive") * diam_si();
    if (l.tokens.size() > 5) {
      if (kind == LinkKind::GPV) {
        int c = curve_ref(l.tokens[5]);
        use_curve(c, CurveKind::Headloss);
        v.setting = c;
      } else {
        v.setting = valve_setting_si(kind, number(l, 5, "setting"));
      }
    } else if (kind == LinkKind::GPV) {
      fail("a GPV needs its head-loss curve");
    } else {
      warn("valve " + v.id + " without setting: 0 is used");
    }
    if (l.tokens.size() > 6) v.minor_loss = non_negative(l, 6, "minor loss");
    v.initial_status = LinkStatus::Active;
  }

  // Pressure and flow control valves may not touch a fixed-head node nor
  // sit against each other in ways that leave their heads undetermined.
  void check_valve_arrangement(LinkKind kind, const std::string &name, int j1, int j2) {
    if (kind != LinkKind::PRV && kind != LinkKind::PSV && kind != LinkKind::FCV) return;
    if (m_.nodes[j1].kind != NodeKind::Junction || m_.nodes[j2].kind != NodeKind::Junction)
      fail("a " + name + " cannot be connected to a tank or reservoir");
    for (const Link &other : m_.links) {
      if (!is_valve(other.kind)) continue;
      const int v1 = other.from, v2 = other.to;
      const LinkKind t = other.kind;
      bool bad = false;
      if (t == LinkKind::PRV && kind == LinkKind::PRV) bad = v2 == j2 || v2 == j1 || v1 == j2;
      if (t == LinkKind::PSV && kind == LinkKind::PSV) bad = bad || v1 == j1 || v1 == j2 || v2 == j1;
      if (t == LinkKind::PSV && kind == LinkKind::PRV && v1 == j2) bad = true;
      if (t == LinkKind::PRV && kind == LinkKind::PSV && v2 == j1) bad = true;
      if (t == LinkKind::FCV && kind == LinkKind::PSV && v2 == j1) bad = true;
      if (t == LinkKind::FCV && kind == LinkKind::PRV && v1 == j2) bad = true;
      if (t == LinkKind::PSV && kind == LinkKind::FCV && v1 == j2) bad = true;
      if (t == LinkKind::PRV && kind == LinkKind::FCV && v2 == j1) bad = true;
      if (bad) fail("illegal valve arrangement with valve " + other.id);
    }
  }

  void tags() {
    for (auto &sl : lines(Section::Tags)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "tag (NODE|LINK, id, tag)");
      if (match(l.tokens[0], "NODE")) m_.nodes[node_ref(l.tokens[1])].tag = l.tokens[2];
      else if (match(l.tokens[0], "LINK")) m_.links[link_ref(l.tokens[1])].tag = l.tokens[2];
      else warn("tag of " + l.tokens[0] + " skipped: tags are for NODE or LINK");
    }
  }

  void demands() {
    for (auto &sl : lines(Section::Demands)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "demand (junction, base demand)");
      const double base = number(l, 1, "base demand");
      int i = node_ref(l.tokens[0]);
      Node &n = m_.nodes[i];
      if (n.kind != NodeKind::Junction) {
        warn("demand of " + l.tokens[0] + ", which is not a junction, skipped");
        continue;
      }
      Demand d;
      d.base = base * flow_si();
      if (l.tokens.size() > 2) d.pattern = pattern_ref(l.tokens[2]);
      d.category = l.comment;
      // The first DEMANDS entry of a junction replaces the demand of its
      // JUNCTIONS line (keeping that line's category when it has none).
      if (!demands_from_section_[i]) {
        demands_from_section_[i] = true;
        if (!n.demands.empty()) {
          if (d.category.empty()) d.category = n.demands.front().category;
          n.demands.front() = std::move(d);
          continue;
        }
      }
      n.demands.push_back(std::move(d));
    }
  }

  void set_status(Link &link, std::optional<LinkStatus> st, double value) {
    if (link.kind == LinkKind::Pipe || link.kind == LinkKind::GPV) {
      if (st) link.initial_status = *st;
      else if (link.kind == LinkKind::Pipe) warn("a pipe takes no setting: " + link.id + " unchanged");
      return;
    }
    if (link.kind == LinkKind::Pump) {
      if (!st) {
        link.setting = value;
        link.initial_status = value == 0 ? LinkStatus::Closed : LinkStatus::Open;
      } else {
        link.setting = *st == LinkStatus::Closed ? 0.0 : 1.0;
        link.initial_status = *st;
      }
      link.setting_given = true;
      return;
    }
    if (!st) {
      link.setting = valve_setting_si(link.kind, value);
      link.initial_status = LinkStatus::Active;
      link.setting_given = true;
    } else {
      link.initial_status = *st;
    }
  }

  void status() {
    for (auto &sl : lines(Section::Status)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "status (link, value)");
      const std::string &last = l.tokens.back();
      std::optional<LinkStatus> st;
      double value = 0;
      if (match(last, "OPEN")) st = LinkStatus::Open;
      else if (match(last, "CLOSED")) st = LinkStatus::Closed;
      else {
        value = number(l, l.tokens.size() - 1, "status setting");
        if (value < 0) fail("negative link setting " + last);
      }
      if (l.tokens.size() == 2) {
        Link &link = m_.links[link_ref(l.tokens[0])];
        if (link.kind == LinkKind::CVPipe) fail("a check valve cannot be closed or opened by [STATUS]");
        if (link.kind == LinkKind::GPV && !st) fail("a GPV setting is its curve");
        set_status(link, st, value);
      } else {
        for (Link &link : m_.links)
          if (in_range(link.id, l.tokens[0], l.tokens[1]) && link.kind != LinkKind::CVPipe) set_status(link, st, value);
      }
    }
  }

  void emitters() {
    for (auto &sl : lines(Section::Emitters)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "emitter (junction, coefficient)");
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      if (n.kind != NodeKind::Junction) {
        warn("emitter on " + l.tokens[0] + ", which is not a junction, skipped");
        continue;
      }
      n.emitter_coeff = non_negative(l, 1, "emitter coefficient");  // converted in finish()
    }
  }

  void leakage() {
    bool warned = false;
    for (auto &sl : lines(Section::Leakage)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "leakage (pipe, area, expansion)");
      Link &link = m_.links[link_ref(l.tokens[0])];
      if (link.kind != LinkKind::Pipe && link.kind != LinkKind::CVPipe) continue;
      link.leak_area = non_negative(l, 1, "leak area");
      link.leak_expansion = non_negative(l, 2, "leak expansion");
      if (!warned && (link.leak_area > 0 || link.leak_expansion > 0)) {
        warn("pipe leakage is kept but not simulated");
        warned = true;
      }
    }
  }

  void quality() {
    for (auto &sl : lines(Section::Quality)) {
      const Line &l = sl.line;
      line_ = l.number;
      if (m_.nodes.empty()) fail("initial quality before any node");
      if (l.tokens.size() < 2) {
        warn("initial quality without value skipped");
        continue;
      }
      if (l.tokens.size() == 2) {
        const double c = non_negative(l, 1, "initial quality");
        m_.nodes[node_ref(l.tokens[0])].initial_quality = c;
      } else {
        const double c = non_negative(l, 2, "initial quality");
        for (Node &n : m_.nodes)
          if (in_range(n.id, l.tokens[0], l.tokens[1])) n.initial_quality = c;
      }
    }
  }

  void sources() {
    for (auto &sl : lines(Section::Sources)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "source (node, type, strength)");
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      Source s;
      std::size_t i = 2;
      const std::string &type = l.tokens[1];
      if (match(type, "CONCEN")) s.kind = SourceKind::Concentration;
      else if (match(type, "MASS")) s.kind = SourceKind::Mass;
      else if (match(type, "SETPOINT")) s.kind = SourceKind::Setpoint;
      else if (match(type, "FLOWPACED")) s.kind = SourceKind::FlowPaced;
      else i = 1;  // the old form without a type: a concentration
      if (i >= l.tokens.size()) fail("too few fields for source (node, type, strength)");
      auto v = parse_number(l.tokens[i]);
      if (!v) fail(i == 1 ? "unknown source type " + type : "invalid number for source strength: " + l.tokens[i]);
      s.strength = *v;
      if (l.tokens.size() > i + 1 && !l.tokens[i + 1].empty() && l.tokens[i + 1] != "*")
        s.pattern = pattern_ref(l.tokens[i + 1]);
      n.source = s;
    }
  }

  void reactions() {
    Reactions &r = m_.reactions;
    for (auto &sl : lines(Section::Reactions)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::size_t n = l.tokens.size();
      if (n < 3) {
        warn("reaction line with fewer than three fields skipped");
        continue;
      }
      const std::string &k0 = l.tokens[0], &k1 = l.tokens[1];
      const double v = number(l, n - 1, "reaction value");
      if (match(k0, "ORDER")) {
        if (match(k1, "BULK")) r.bulk_order = v;
        else if (match(k1, "TANK")) r.tank_order = v;
        else if (match(k1, "WALL")) {
          if (v != 0.0 && v != 1.0) fail("wall reaction order must be 0 or 1");
          r.wall_order = v;
        } else fail("unknown reaction order " + k1);
      } else if (match(k0, "ROUG")) {
        r.roughness_correlation = v;
      } else if (match(k0, "LIMIT")) {
        r.limiting_potential = v;
      } else if (match(k0, "GLOB")) {
        if (match(k1, "BULK")) r.global_bulk = v;
        else if (match(k1, "WALL")) r.global_wall = v;
        else fail("unknown global reaction " + k1);
      } else if (match(k0, "BULK") || match(k0, "WALL")) {
        const bool bulk = match(k0, "BULK");
        if (n == 3) {
          int i = link_or_skip(k1, "reaction coefficient");
          if (i != kNone) (bulk ? m_.links[i].bulk_coeff : m_.links[i].wall_coeff) = v;
        } else {
          for (Link &link : m_.links)
            if (in_range(link.id, k1, l.tokens[2])) (bulk ? link.bulk_coeff : link.wall_coeff) = v;
        }
      } else if (match(k0, "TANK")) {
        if (n == 3) {
          int i = m_.find_node(k1);
          if (i == kNone || m_.nodes[i].kind == NodeKind::Junction) warn("tank reaction of " + k1 + ", which is not a tank, skipped");
          else m_.tanks[m_.nodes[i].tank].bulk_coeff = v;
        } else {
          for (Tank &t : m_.tanks)
            if (in_range(m_.nodes[t.node].id, k1, l.tokens[2])) t.bulk_coeff = v;
        }
      } else {
        fail("unknown reaction keyword " + k0);
      }
    }
  }

  void mixing() {
    for (auto &sl : lines(Section::Mixing)) {
      const Line &l = sl.line;
      line_ = l.number;
      if (m_.nodes.empty()) fail("mixing before any node");
      if (l.tokens.size() < 2) {
        warn("mixing without model skipped");
        continue;
      }
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      static const std::pair<const char *, MixModel> models[] = {
          {"MIXED", MixModel::Mixed}, {"2COMP", MixModel::TwoComp}, {"FIFO", MixModel::FIFO}, {"LIFO", MixModel::LIFO}};
      std::optional<MixModel> model;
      for (auto &[name, mm] : models)
        if (!model && match(l.tokens[1], name)) model = mm;
      if (n.kind == NodeKind::Junction) {
        warn("mixing of " + l.tokens[0] + ", which is not a tank, skipped");
        continue;
      }
      if (!model) fail("unknown mixing model " + l.tokens[1]);
      double fraction = 1.0;
      if (*model == MixModel::TwoComp && l.tokens.size() == 3) fraction = number(l, 2, "mixing fraction");
      if (fraction == 0.0) fraction = 1.0;
      if (n.kind == NodeKind::Reservoir) {
        warn("mixing of reservoir " + l.tokens[0] + " skipped");
        continue;
      }
      Tank &t = m_.tanks[n.tank];
      t.mixing = *model;
      t.mix_fraction = fraction;
    }
  }

  void energy() {
    Energy &e = m_.energy;
    for (auto &sl : lines(Section::Energy)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "energy");
      const std::size_t n = l.tokens.size();
      const std::string &k0 = l.tokens[0];
      if (match(k0, "DEMAN")) {
        e.demand_charge = number(l, 2, "demand charge");
        if (e.demand_charge < 0) fail("negative demand charge");
        continue;
      }
      Pump *pump = nullptr;
      if (match(k0, "PUMP")) {
        need(l, 4, "pump energy");
        Link &link = m_.links[link_ref(l.tokens[1])];
        if (link.kind != LinkKind::Pump) fail(l.tokens[1] + " is not a pump");
        pump = &m_.pumps[link.pump];
      } else if (!match(k0, "GLOB")) {
        fail("unknown energy keyword " + k0);
      }
      const std::string &key = l.tokens[n - 2], &value = l.tokens[n - 1];
      if (match(key, "PRICE")) {
        const double price = number(l, n - 1, "price");
        if (price < 0) fail("negative energy price");
        if (pump) pump->energy_price = price;
        else e.global_price = price;
      } else if (match(key, "PATT")) {
        (pump ? pump->price_pattern : e.global_price_pattern) = pattern_ref(value);
      } else if (match(key, "EFFI")) {
        if (pump) {
          pump->efficiency_curve = curve_ref(value);
          use_curve(pump->efficiency_curve, CurveKind::Efficiency);
        } else {
          e.global_efficiency = number(l, n - 1, "global efficiency");
          if (e.global_efficiency <= 0) fail("global efficiency must be positive");
        }
      } else {
        fail("unknown energy keyword " + key);
      }
    }
  }

  // A status word or a setting of a control or a rule action.
  std::pair<std::optional<LinkStatus>, std::optional<double>> action_value(const Link &link, const std::string &tok,
                                                                           bool rule) {
    if (match(tok, "OPEN")) return {LinkStatus::Open, std::nullopt};
    if (match(tok, "CLOSED")) return {LinkStatus::Closed, std::nullopt};
    if (rule && match(tok, "ACTIVE")) return {LinkStatus::Active, std::nullopt};
    if (link.kind == LinkKind::GPV) fail("a GPV cannot take a numeric setting");
    auto v = parse_number(tok);
    if (!v) fail("invalid link status or setting " + tok);
    if (*v < 0) fail("negative link setting " + tok);
    // A number given to a pipe opens (or, when 0, closes) it.
    if (link.kind == LinkKind::Pipe) return {*v == 0 ? LinkStatus::Closed : LinkStatus::Open, std::nullopt};
    if (link.kind == LinkKind::Pump) return {std::nullopt, *v};
    return {std::nullopt, valve_setting_si(link.kind, *v)};
  }

  void controls() {
    for (auto &sl : lines(Section::Controls)) {
      const Line &l = sl.line;
      line_ = l.number;
      // LINK id value IF NODE id ABOVE|BELOW x | AT TIME t [unit] | AT CLOCKTIME t [AM|PM], then DISABLED;
      // the words LINK, AT, IF and NODE are not checked.
      need(l, 6, "control");
      std::size_t n = l.tokens.size();
      Control c;
      if (match(l.tokens[n - 1], "DISABLED")) {
        c.enabled = false;
        --n;
      }
      c.link = link_ref(l.tokens[1]);
      const Link &link = m_.links[c.link];
      if (link.kind == LinkKind::CVPipe) fail("a check valve cannot be controlled");
      auto [st, set] = action_value(link, l.tokens[2], false);
      c.status = st;
      c.setting = set;
      const std::string &k4 = l.tokens[4];
      if (match(k4, "TIME") || match(k4, "CLOCKTIME")) {
        c.type = match(k4, "TIME") ? Control::Type::Timer : Control::Type::TimeOfDay;
        auto h = parse_file_hours(l.tokens[5], n >= 7 ? l.tokens[6] : "");
        if (!h || *h < 0) fail("invalid control time " + l.tokens[5]);
        // Whole seconds by truncation, as the reference engine counts them.
        c.time = std::floor(3600.0 * *h);
        if (c.type == Control::Type::TimeOfDay) c.time = std::fmod(c.time, units::kSecondsPerDay);
      } else {
        if (n < 8) fail("too few fields for control");
        c.node = node_ref(l.tokens[5]);
        if (match(l.tokens[6], "BELOW")) c.type = Control::Type::LowLevel;
        else if (match(l.tokens[6], "ABOVE")) c.type = Control::Type::HighLevel;
        else fail("control condition must be ABOVE or BELOW");
        double v = number(l, 7, "control level");
        c.grade = m_.nodes[c.node].kind == NodeKind::Junction ? v * pres_si() : v * len_si();
      }
      m_.controls.push_back(c);
    }
  }

  void rules() {
    Rule *rule = nullptr;
    enum class Part { None, Premises, Then, Else, Priority } part = Part::None;
    for (auto &sl : lines(Section::Rules)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::string &k0 = l.tokens[0];
      if (match(k0, "RULE")) {
        if (l.tokens.size() != 2) fail("a RULE line names the rule and nothing else");
        for (const Rule &r : m_.rules)
          if (r.id == l.tokens[1]) fail("duplicate rule identifier " + l.tokens[1]);
        m_.rules.push_back({});
        rule = &m_.rules.back();
        rule->id = l.tokens[1];
        part = Part::None;
        continue;
      }
      const bool known = match(k0, "IF") || match(k0, "AND") || match(k0, "OR") || match(k0, "THEN") ||
                         match(k0, "ELSE") || match(k0, "PRIO") || match(k0, "DISABLED");
      if (!known) fail("unknown rule keyword " + k0);
      if (!rule) fail("rule clause before any RULE");
      if (match(k0, "IF")) {
        if (part != Part::None) fail("IF must start a rule");
        part = Part::Premises;
        rule->premises.push_back(premise(l, RulePremise::Logic::If));
      } else if (match(k0, "AND")) {
        if (part == Part::Premises) rule->premises.push_back(premise(l, RulePremise::Logic::And));
        else if (part == Part::Then) rule->then_actions.push_back(action(l));
        else if (part == Part::Else) rule->else_actions.push_back(action(l));
        else fail("misplaced AND in rule");
      } else if (match(k0, "OR")) {
        if (part != Part::Premises) fail("misplaced OR in rule");
        rule->premises.push_back(premise(l, RulePremise::Logic::Or));
      } else if (match(k0, "THEN")) {
        if (part != Part::Premises) fail("THEN without IF");
        part = Part::Then;
        rule->then_actions.push_back(action(l));
      } else if (match(k0, "ELSE")) {
        if (part != Part::Then) fail("ELSE without THEN");
        part = Part::Else;
        rule->else_actions.push_back(action(l));
      } else if (match(k0, "PRIO")) {
        if (part != Part::Then && part != Part::Else) fail("misplaced PRIORITY in rule");
        part = Part::Priority;
        rule->priority = number(l, 1, "priority");
      } else {  // DISABLED
        if (part != Part::Then && part != Part::Else && part != Part::Priority) fail("misplaced DISABLED in rule");
        rule->enabled = false;
      }
    }
    line_ = 0;
    for (const Rule &r : m_.rules)
      if (r.premises.empty() || r.then_actions.empty()) warn("rule " + r.id + " has no IF or no THEN clause: it does nothing");
  }

  RulePremise premise(const Line &l, RulePremise::Logic logic) {
    using P = RulePremise;
    P p;
    p.logic = logic;
    const std::size_t n = l.tokens.size();
    if (n != 5 && n != 6) fail("a rule condition has five or six fields");
    static const std::pair<const char *, P::Variable> vars[] = {
        {"DEMAND", P::Variable::Demand},     {"HEAD", P::Variable::Head},         {"GRADE", P::Variable::Grade},
        {"LEVEL", P::Variable::Level},       {"PRESSURE", P::Variable::Pressure}, {"FLOW", P::Variable::Flow},
        {"STATUS", P::Variable::Status},     {"SETTING", P::Variable::Setting},   {"POWER", P::Variable::Power},
        {"TIME", P::Variable::Time},         {"CLOCKTIME", P::Variable::ClockTime},
        {"FILLTIME", P::Variable::FillTime}, {"DRAINTIME", P::Variable::DrainTime}};
    auto variable = [&](const std::string &tok) -> P::Variable {
      for (auto &[name, v] : vars)
        if (match(tok, name)) return v;
      fail("unknown rule variable " + tok);
    };
    static const std::pair<const char *, P::Object> objects[] = {
        {"JUNC", P::Object::Junction}, {"RESER", P::Object::Reservoir}, {"TANK", P::Object::Tank},
        {"PIPE", P::Object::Pipe},     {"PUMP", P::Object::Pump},       {"VALVE", P::Object::Valve},
        {"NODE", P::Object::Node},     {"LINK", P::Object::Link},       {"SYSTEM", P::Object::System}};
    bool found = false;
    for (auto &[name, o] : objects)
      if (!found && match(l.tokens[1], name)) {
        p.object = o;
        found = true;
      }
    if (!found) fail("unknown rule object " + l.tokens[1]);
    std::size_t ri;  // index of the relation
    if (p.object == P::Object::System) {
      p.variable = variable(l.tokens[2]);
      if (p.variable != P::Variable::Demand && p.variable != P::Variable::Time && p.variable != P::Variable::ClockTime)
        fail("SYSTEM conditions are on DEMAND, TIME or CLOCKTIME");
      ri = 3;
    } else {
      p.variable = variable(l.tokens[3]);
      const bool is_node = p.object <= P::Object::Reservoir;
      p.index = is_node ? node_ref(l.tokens[2]) : link_ref(l.tokens[2]);
      using V = P::Variable;
      if (is_node) {
        const V v = p.variable;
        const bool fill_drain = v == V::FillTime || v == V::DrainTime;
        if (fill_drain && m_.nodes[p.index].kind == NodeKind::Junction) fail("FILLTIME and DRAINTIME are for tanks");
        if (!fill_drain && v != V::Demand && v != V::Head && v != V::Grade && v != V::Level && v != V::Pressure)
          fail("rule variable " + l.tokens[3] + " does not apply to a node");
      } else if (p.variable != V::Flow && p.variable != V::Status && p.variable != V::Setting) {
        fail("rule variable " + l.tokens[3] + " does not apply to a link");
      }
      ri = 4;
    }
    if (ri >= n - 1) fail("too few fields for rule condition");
    static const std::pair<const char *, P::Relation> rels[] = {
        {"=", P::Relation::Eq},  {"<>", P::Relation::Ne}, {"<=", P::Relation::Le},   {">=", P::Relation::Ge},
        {"<", P::Relation::Lt},  {">", P::Relation::Gt},  {"IS", P::Relation::Is},   {"NOT", P::Relation::Not},
        {"BELOW", P::Relation::Below}, {"ABOVE", P::Relation::Above}};
    found = false;
    for (auto &[name, r] : rels)
      if (!found && match(l.tokens[ri], name)) {
        p.relation = r;
        found = true;
      }
    if (!found) fail("unknown rule relation " + l.tokens[ri]);
    if (p.variable == P::Variable::Time || p.variable == P::Variable::ClockTime) {
      auto h = parse_file_hours(l.tokens[ri + 1], n > ri + 2 ? l.tokens[ri + 2] : "");
      if (!h || *h < 0) fail("invalid rule time " + l.tokens[ri + 1]);
      p.value = *h * 3600.0;
      return p;
    }
    const std::string &value = l.tokens[n - 1];
    if (match(value, "OPEN")) p.status = LinkStatus::Open;
    else if (match(value, "CLOSED")) p.status = LinkStatus::Closed;
    else if (match(value, "ACTIVE")) p.status = LinkStatus::Active;
    if (p.status) {
      if (p.variable != P::Variable::Status) fail("rule value " + value + " needs the STATUS variable");
      return p;
    }
    if (p.variable == P::Variable::Status) fail("rule status must be OPEN, CLOSED or ACTIVE");
    auto v = parse_number(value);
    if (!v) fail("invalid rule value " + value);
    switch (p.variable) {
      case P::Variable::Demand: case P::Variable::Flow: p.value = *v * flow_si(); break;
      case P::Variable::Head: case P::Variable::Grade: case P::Variable::Level: p.value = *v * len_si(); break;
      case P::Variable::Pressure: p.value = *v * pres_si(); break;
      case P::Variable::Power: p.value = *v * power_si(); break;
      case P::Variable::FillTime: case P::Variable::DrainTime: p.value = *v * 3600.0; break;
      case P::Variable::Setting: {
        const bool link_obj = p.object >= P::Object::Link && p.object != P::Object::System;
        p.value = link_obj ? valve_setting_si(m_.links[p.index].kind, *v) : *v;
        break;
      }
      default: p.value = *v;
    }
    return p;
  }

  RuleAction action(const Line &l) {
    // THEN|AND|ELSE LINK|PIPE|PUMP|VALVE id STATUS|SETTING IS value; the
    // value alone tells a status from a setting.
    if (l.tokens.size() != 6) fail("a rule action has six fields");
    RuleAction a;
    a.link = link_ref(l.tokens[2]);
    const Link &link = m_.links[a.link];
    if (link.kind == LinkKind::CVPipe) fail("a check valve cannot be controlled");
    auto [st, set] = action_value(link, l.tokens[5], true);
    a.status = st;
    a.setting = set;
    return a;
  }

  // [REPORT] is kept verbatim; its lines are checked as the reference engine checks them.
  void report() {
    static const char *fields[] = {"ELEVATION", "DEMAND",   "HEAD",  "PRESSURE", "QUALITY",
                                   "LENGTH",    "DIAMETER", "FLOW",  "VELOCITY", "HEADLOSS",
                                   "STATE",     "SETTING",  "REACTION", "F-FACTOR"};
    for (auto &sl : lines(Section::Report)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::size_t n = l.tokens.size() - 1;
      const std::string &k0 = l.tokens[0];
      if (n < 1) fail("report option " + k0 + " without value");
      if (match(k0, "PAGE")) {
        const double y = number(l, n, "page size");
        if (y < 0 || y > 255) fail("page size must be 0 to 255");
        continue;
      }
      if (match(k0, "STATUS") || match(k0, "SUMM") || match(k0, "MESS") || match(k0, "ENER") || match(k0, "FILE")) continue;
      if (match(k0, "NODE") || match(k0, "LINK")) {
        const bool node = match(k0, "NODE");
        if (match(l.tokens[n], "NONE") || match(l.tokens[n], "ALL")) continue;
        for (std::size_t i = 1; i <= n; ++i) node ? (void)node_ref(l.tokens[i]) : (void)link_ref(l.tokens[i]);
        continue;
      }
      bool field = false;
      for (const char *f : fields) field = field || match(k0, f);
      if (!field) fail("unknown report option " + k0);
      if (match(l.tokens[1], "YES") || match(l.tokens[1], "NO")) continue;
      if (l.tokens.size() < 3) fail("too few fields for report option " + k0);
      if (!match(l.tokens[1], "BELOW") && !match(l.tokens[1], "ABOVE") && !match(l.tokens[1], "PREC"))
        fail("report option " + k0 + " takes YES, NO, BELOW, ABOVE or PRECISION");
      number(l, 2, "report limit");
    }
  }

  // x and y of a map point, or nothing (with a warning) when the line lacks them.
  std::optional<std::pair<double, double>> map_point(const Line &l, const std::string &what) {
    if (l.tokens.size() < 3) {
      warn(what + " without x and y skipped");
      return std::nullopt;
    }
    auto x = parse_number(l.tokens[1]), y = parse_number(l.tokens[2]);
    if (!x || !y) {
      warn("invalid " + what + " of " + l.tokens[0] + " skipped");
      return std::nullopt;
    }
    return std::make_pair(*x, *y);
  }

  void coordinates() {
    for (auto &sl : lines(Section::Coordinates)) {
      const Line &l = sl.line;
      line_ = l.number;
      if (l.tokens.size() < 3) {
        map_point(l, "coordinates");
        continue;
      }
      const int i = node_or_skip(l.tokens[0], "coordinates");
      if (i == kNone) continue;
      if (const auto p = map_point(l, "coordinates")) {
        Node &n = m_.nodes[i];
        std::tie(n.x, n.y) = *p;
        n.has_coords = true;
      }
    }
  }

  void vertices() {
    for (auto &sl : lines(Section::Vertices)) {
      const Line &l = sl.line;
      line_ = l.number;
      if (l.tokens.size() < 3) {
        map_point(l, "vertex");
        continue;
      }
      const int i = link_or_skip(l.tokens[0], "vertex");
      if (i == kNone) continue;
      if (const auto p = map_point(l, "vertex")) m_.links[i].vertices.push_back(*p);
    }
  }

  void verbatim() {
    for (auto &sl : lines(Section::Report)) m_.report_lines.push_back(sl.raw);
    for (auto &sl : lines(Section::Labels)) m_.label_lines.push_back(sl.raw);
    for (auto &sl : lines(Section::Backdrop)) m_.backdrop_lines.push_back(sl.raw);
  }

  // Units of a curve's values for a kind of use.
  std::pair<double, double> curve_factors(CurveKind kind) const {
    switch (kind) {
      case CurveKind::Pump: case CurveKind::Headloss: return {flow_si(), len_si()};
      case CurveKind::Efficiency: return {flow_si(), 1.0};
      case CurveKind::Volume: return {len_si(), vol_si()};
      case CurveKind::Generic: break;
    }
    return {1.0, 1.0};
  }

  void finish() {
    line_ = 0;
    Options &o = m_.options;
    o.default_pattern_id = default_pattern_id_;
    o.default_pattern = m_.find_pattern(default_pattern_id_);
    if (default_pattern_given_ && o.default_pattern == kNone) {
      line_ = default_pattern_line_;
      warn("unknown default pattern " + default_pattern_id_ + ": demands without pattern are constant");
      line_ = 0;
    }
    o.head_error *= len_si();
    o.flow_change *= flow_si();
    const double emit = 1.0 / units::emitter(m_);
    for (Node &n : m_.nodes) n.emitter_coeff *= emit;
    if (o.quality == QualityKind::Trace) {
      line_ = trace_line_;
      int i = m_.find_node(o.trace_node);
      if (i == kNone) fail("unknown trace node " + o.trace_node);
      if (node_line_[i] > trace_line_) fail("trace node " + o.trace_node + " is used before its definition");
      line_ = 0;
    }
    // Curves take the units of their use, or of their declared type when unused.
    for (std::size_t c = 0; c < m_.curves.size(); ++c) {
      Curve &curve = m_.curves[c];
      RawCurve &raw = raw_curves_[c];
      line_ = raw.line;
      CurveKind kind = raw.uses.empty() ? raw.declared : raw.uses.front();
      for (CurveKind use : raw.uses)
        if (curve_factors(use) != curve_factors(kind))
          fail("curve " + curve.id + " is used as two kinds of curve with different units");
      // A pump curve also used as a valve's head-loss curve stays a pump curve.
      for (CurveKind use : raw.uses)
        if (use == CurveKind::Pump) kind = CurveKind::Pump;
      curve.kind = kind;
      const auto [fx, fy] = curve_factors(kind);
      curve.x.resize(raw.x.size());
      curve.y.resize(raw.y.size());
      for (std::size_t i = 0; i < raw.x.size(); ++i) {
        curve.x[i] = raw.x[i] * fx;
        curve.y[i] = raw.y[i] * fy;
      }
      if (std::find(raw.uses.begin(), raw.uses.end(), CurveKind::Pump) != raw.uses.end()) check_pump_curve(curve, raw);
      if (kind == CurveKind::Volume && !raw.uses.empty()) {
        if (curve.x.size() < 2) fail("volume curve " + curve.id + " needs two points");
        for (std::size_t i = 1; i < curve.y.size(); ++i)
          if (curve.y[i] < curve.y[i - 1]) fail("volume curve " + curve.id + ": volume must not decrease");
      }
      strip_kind_label(curve);
    }
    line_ = 0;
    if (m_.nodes.size() < 2) fail("the network needs at least two nodes");
    if (m_.tanks.empty()) fail("the network has no tank or reservoir");
    for (const int i : m_.unconnected_junctions()) warn("junction " + m_.nodes[i].id + " is not connected to any link");
    if (dropped_warnings_ > 0) warn(std::to_string(dropped_warnings_) + " more warnings not kept");
  }

  // A comment "PUMP: text" before a pump curve is the writer's label of its
  // kind: the comment is the text after it. Labels of another kind stay.
  static void strip_kind_label(Curve &curve) {
    static const std::pair<const char *, CurveKind> labels[] = {
        {"PUMP:", CurveKind::Pump}, {"EFFICIENCY:", CurveKind::Efficiency}, {"VOLUME:", CurveKind::Volume},
        {"HEADLOSS:", CurveKind::Headloss}};
    for (auto &[label, kind] : labels)
      if (kind == curve.kind && match(curve.comment, label)) {
        curve.comment.erase(0, std::strlen(label));
        while (!curve.comment.empty() && curve.comment.front() == ' ') curve.comment.erase(0, 1);
      }
  }

  // The checks the reference engine makes of a pump's head curve.
  void check_pump_curve(const Curve &c, const RawCurve &raw) {
    const auto &x = raw.x, &y = raw.y;
    double h0, h1, h2, q1, q2;
    if (x.size() == 1) {
      q1 = x[0];
      h1 = y[0];
      h0 = 1.33334 * h1;
      q2 = 2.0 * q1;
      h2 = 0.0;
    } else if (x.size() == 3 && x[0] == 0.0) {
      h0 = y[0];
      q1 = x[1];
      h1 = y[1];
      q2 = x[2];
      h2 = y[2];
    } else {
      for (std::size_t i = 1; i < y.size(); ++i)
        if (y[i] >= y[i - 1]) fail("pump curve " + c.id + ": head must decrease with flow");
      return;
    }
    constexpr double kTiny = 1e-6;
    if (h0 < kTiny || h0 - h1 < kTiny || h1 - h2 < kTiny || q1 < kTiny || q2 - q1 < kTiny)
      fail(x.size() == 1 ? "pump curve " + c.id + ": invalid design point" : "pump curve " + c.id + ": head must decrease with flow");
    const double exponent = std::log((h0 - h2) / (h0 - h1)) / std::log(q2 / q1);
    if (exponent <= 0.0 || exponent > 20.0) fail("pump curve " + c.id + ": its three points make no usable curve");
  }
};

}  // namespace

Model read_inp_text(const std::string &text, const std::string &name) {
  Reader reader(name);
  return reader.read(text);
}

Model read_inp(const std::string &path) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, 0, "cannot open file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw InputError(path, 0, "cannot read file");
    text = buf.str();
  }  // file closed here, before parsing
  return read_inp_text(text, path);
}

}  // namespace orv
