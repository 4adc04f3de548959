// INP reader. The file is first split into sections; the sections are then
// interpreted in dependency order (options, patterns and curves before the
// elements that refer to them), so sections may appear in any order in the
// file, as the format allows.
#include "io/inp_reader.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "io/inp_text.hpp"
#include "model/units.hpp"

namespace orv {

namespace {

using inp::Line;
using inp::is_keyword;
using inp::upper;

enum class Section {
  Title, Junctions, Reservoirs, Tanks, Pipes, Pumps, Valves, Tags, Demands, Status, Patterns,
  Curves, Controls, Rules, Energy, Emitters, Quality, Sources, Reactions, Mixing, Times, Report,
  Options, Coordinates, Vertices, Labels, Backdrop, End, Count
};

constexpr std::array<const char *, static_cast<int>(Section::Count)> kSectionNames = {
    "TITLE",    "JUNCTIONS", "RESERVOIRS", "TANKS",     "PIPES",    "PUMPS",       "VALVES",
    "TAGS",     "DEMANDS",   "STATUS",     "PATTERNS",  "CURVES",   "CONTROLS",    "RULES",
    "ENERGY",   "EMITTERS",  "QUALITY",    "SOURCES",   "REACTIONS", "MIXING",     "TIMES",
    "REPORT",   "OPTIONS",   "COORDINATES", "VERTICES", "LABELS",   "BACKDROP",    "END"};

struct SectionLine {
  Line line;
  std::string raw;            // original text (verbatim sections)
  std::string curve_comment;  // comment line just before a CURVES entry
};

// Raw curve points in file units until their use fixes the unit system.
struct RawCurve {
  std::vector<double> x, y;
  CurveKind hinted = CurveKind::Generic;
  int line = 0;
};

class Reader {
 public:
  Reader(std::string name) : file_(std::move(name)) {}

  Model read(const std::string &text) {
    split_sections(text);
    options();
    times();
    patterns();
    curves();
    junctions();
    // Tanks and reservoirs, then pipes, pumps and valves, are numbered in the
    // order their sections appear in the file.
    in_file_order({Section::Reservoirs, Section::Tanks});
    in_file_order({Section::Pipes, Section::Pumps, Section::Valves});
    tags();
    demands();
    status();
    emitters();
    quality();
    sources();
    reactions();
    mixing();
    energy();
    controls();
    rules();
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
  std::string default_pattern_id_ = "1";
  bool default_pattern_given_ = false;
  int line_ = 0;  // line being interpreted, for errors
  std::vector<Section> appearance_;  // sections in order of first appearance

  void in_file_order(std::vector<Section> group) {
    auto rank = [&](Section s) {
      auto it = std::find(appearance_.begin(), appearance_.end(), s);
      return it - appearance_.begin();
    };
    std::stable_sort(group.begin(), group.end(), [&](Section a, Section b) { return rank(a) < rank(b); });
    for (Section s : group) {
      switch (s) {
        case Section::Reservoirs: reservoirs(); break;
        case Section::Tanks: tanks(); break;
        case Section::Pipes: pipes(); break;
        case Section::Pumps: pumps(); break;
        case Section::Valves: valves(); break;
        default: break;
      }
    }
  }

  [[noreturn]] void fail(const std::string &reason) const { throw InputError(file_, line_, reason); }

  std::vector<SectionLine> &lines(Section s) { return sections_[static_cast<int>(s)]; }

  void split_sections(const std::string &text) {
    int current = -1;
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
      if (!line.tokens.empty() && line.tokens[0].front() == '[') {
        std::string head = upper(line.tokens[0]);
        if (head.back() != ']') fail("malformed section header " + line.tokens[0]);
        head = std::string(head.begin() + 1, head.end() - 1);
        current = -1;
        for (std::size_t i = 0; i < kSectionNames.size(); ++i)
          if (head == kSectionNames[i]) current = static_cast<int>(i);
        if (current < 0) fail("unknown section [" + head + "]");
        if (current == static_cast<int>(Section::End)) break;
        if (std::find(appearance_.begin(), appearance_.end(), static_cast<Section>(current)) == appearance_.end())
          appearance_.push_back(static_cast<Section>(current));
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
        if (!line.comment.empty()) pending_comment = line.comment;
        continue;
      }
      if (current < 0) fail("data outside of any section");
      sections_[current].push_back({std::move(line), raw, pending_comment});
      pending_comment.clear();
    }
    // Trailing blank title lines carry no information.
    while (!m_.title.empty() && (m_.title.back() == '\n' || m_.title.back() == ' ')) m_.title.pop_back();
  }

  // ---- field helpers ----
  double number(const Line &l, std::size_t i, const char *what) {
    if (i >= l.tokens.size()) fail(std::string("missing ") + what);
    auto v = inp::parse_number(l.tokens[i]);
    if (!v) fail(std::string("invalid number for ") + what + ": " + l.tokens[i]);
    return *v;
  }
  double non_negative(const Line &l, std::size_t i, const char *what) {
    double v = number(l, i, what);
    if (v < 0) fail(std::string("negative ") + what + ": " + l.tokens[i]);
    return v;
  }
  void need(const Line &l, std::size_t n, const char *what) {
    if (l.tokens.size() < n) fail(std::string("too few fields for ") + what);
  }
  int node_ref(const std::string &id) {
    int i = m_.find_node(id);
    if (i == kNone) fail("unknown node " + id);
    return i;
  }
  int link_ref(const std::string &id) {
    int i = m_.find_link(id);
    if (i == kNone) fail("unknown link " + id);
    return i;
  }
  int pattern_ref(const std::string &id) {
    if (id == "*") return kNone;
    int i = m_.find_pattern(id);
    if (i == kNone) fail("unknown pattern " + id);
    return i;
  }
  int curve_ref(const std::string &id) {
    int i = m_.find_curve(id);
    if (i == kNone) fail("unknown curve " + id);
    return i;
  }
  // Claims a curve for one use; a curve cannot serve two kinds of use.
  void use_curve(int c, CurveKind kind) {
    Curve &curve = m_.curves[c];
    if (curve.kind != CurveKind::Generic && curve.kind != kind)
      fail("curve " + curve.id + " is used as two different kinds of curve");
    curve.kind = kind;
  }

  // ---- unit factors (display -> SI) ----
  bool us() const { return m_.us_units(); }
  double flow_si() const { return 1.0 / units::flow(m_.options.flow_units); }
  double len_si() const { return us() ? units::kFoot : 1.0; }
  double diam_si() const { return us() ? units::kFoot / 12.0 : 0.001; }
  double pres_si() const { return 1.0 / units::pressure(m_); }
  double vol_si() const { return us() ? units::kCubicFoot : 1.0; }
  double power_si() const { return us() ? 745.7 : 1000.0; }

  // Converts a valve setting given in display units.
  double valve_setting_si(LinkKind k, double v) const {
    switch (k) {
      case LinkKind::PRV: case LinkKind::PSV: case LinkKind::PBV: return v * pres_si();
      case LinkKind::FCV: return v * flow_si();
      default: return v;
    }
  }

  // ---- sections ----
  void options() {
    Options &o = m_.options;
    for (auto &sl : lines(Section::Options)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::string key = upper(l.tokens[0]);
      const std::string v1 = l.tokens.size() > 1 ? upper(l.tokens[1]) : "";
      auto value_at = [&](std::size_t i) { return number(l, i, key.c_str()); };
      if (key == "UNITS") {
        static const char *names[] = {"CFS", "GPM", "MGD", "IMGD", "AFD", "LPS", "LPM", "MLD", "CMH", "CMD", "CMS"};
        bool found = false;
        for (int i = 0; i < 11; ++i)
          if (v1 == names[i]) { o.flow_units = static_cast<FlowUnits>(i); found = true; }
        if (!found) fail("unknown flow units " + (l.tokens.size() > 1 ? l.tokens[1] : std::string()));
      } else if (key == "PRESSURE" && l.tokens.size() == 2 && !inp::parse_number(l.tokens[1])) {
        if (v1 != "PSI" && v1 != "KPA" && v1 != "METERS" && v1 != "METRES") fail("unknown pressure units " + l.tokens[1]);
        o.pressure_units = v1 == "METRES" ? "METERS" : v1;
      } else if (key == "PRESSURE" && is_keyword(v1, "EXPONENT")) {
        o.pressure_exponent = value_at(2);
      } else if (key == "HEADLOSS") {
        if (v1 == "H-W") o.headloss = HeadlossFormula::HazenWilliams;
        else if (v1 == "D-W") o.headloss = HeadlossFormula::DarcyWeisbach;
        else if (v1 == "C-M") o.headloss = HeadlossFormula::ChezyManning;
        else fail("unknown headloss formula " + (l.tokens.size() > 1 ? l.tokens[1] : std::string()));
      } else if (key == "HYDRAULICS") {
        // Hydraulics files are not used: results always come from a fresh run.
      } else if (key == "QUALITY") {
        need(l, 2, "QUALITY");
        if (v1 == "NONE") o.quality = QualityKind::None;
        else if (v1 == "AGE") o.quality = QualityKind::Age;
        else if (v1 == "TRACE") { o.quality = QualityKind::Trace; need(l, 3, "QUALITY TRACE"); o.trace_node = l.tokens[2]; }
        else if (v1 == "CHEMICAL") { o.quality = QualityKind::Chemical; o.quality_name = "Chemical"; }
        else { o.quality = QualityKind::Chemical; o.quality_name = l.tokens[1]; }
        if (o.quality == QualityKind::Chemical && l.tokens.size() > 2) o.quality_units = l.tokens[2];
      } else if (key == "VISCOSITY") {
        o.viscosity = value_at(1);
      } else if (key == "DIFFUSIVITY") {
        o.diffusivity = value_at(1);
      } else if (key == "SPECIFIC") {
        o.specific_gravity = value_at(2);
        if (o.specific_gravity <= 0) fail("specific gravity must be positive");
      } else if (key == "TRIALS") {
        o.trials = static_cast<int>(value_at(1));
        if (o.trials < 1) fail("TRIALS must be at least 1");
      } else if (key == "ACCURACY") {
        o.accuracy = value_at(1);
        if (o.accuracy <= 0) fail("ACCURACY must be positive");
      } else if (key == "HEADERROR") {
        o.head_error = value_at(1);  // converted in finish()
      } else if (key == "FLOWCHANGE") {
        o.flow_change = value_at(1);
      } else if (key == "UNBALANCED") {
        if (v1 == "STOP") o.unbalanced_continue = -1;
        else if (v1 == "CONTINUE") o.unbalanced_continue = l.tokens.size() > 2 ? static_cast<int>(value_at(2)) : 0;
        else fail("UNBALANCED must be STOP or CONTINUE");
      } else if (key == "PATTERN") {
        need(l, 2, "PATTERN");
        default_pattern_id_ = l.tokens[1];
        default_pattern_given_ = true;
      } else if (key == "DEMAND" && v1 == "MULTIPLIER") {
        o.demand_multiplier = value_at(2);
      } else if (key == "DEMAND" && v1 == "MODEL") {
        need(l, 3, "DEMAND MODEL");
        const std::string dm = upper(l.tokens[2]);
        if (dm == "DDA") o.demand_model = DemandModel::DemandDriven;
        else if (dm == "PDA") o.demand_model = DemandModel::PressureDriven;
        else fail("DEMAND MODEL must be DDA or PDA");
      } else if (key == "MINIMUM" && v1 == "PRESSURE") {
        o.minimum_pressure = value_at(2);
      } else if (key == "REQUIRED" && v1 == "PRESSURE") {
        o.required_pressure = value_at(2);
      } else if (key == "EMITTER" && v1 == "EXPONENT") {
        o.emitter_exponent = value_at(2);
        if (o.emitter_exponent <= 0) fail("EMITTER EXPONENT must be positive");
      } else if (key == "EMITTER" && v1 == "BACKFLOW") {
        need(l, 3, "EMITTER BACKFLOW");
        o.emitter_backflow = upper(l.tokens[2]) == "YES";
      } else if (key == "TOLERANCE") {
        o.quality_tolerance = value_at(1);
      } else if (key == "MAP") {
        need(l, 2, "MAP");
        o.map_file = l.tokens[1];
      } else if (key == "CHECKFREQ") {
        o.check_freq = static_cast<int>(value_at(1));
      } else if (key == "MAXCHECK") {
        o.max_check = static_cast<int>(value_at(1));
      } else if (key == "DAMPLIMIT") {
        o.damp_limit = value_at(1);
      } else {
        fail("unknown option " + l.tokens[0]);
      }
    }
    // Pressure-dependent values are converted once the pressure unit is known.
    const double p = pres_si();
    o.minimum_pressure *= p;
    o.required_pressure *= p;
  }

  void times() {
    Times &t = m_.times;
    for (auto &sl : lines(Section::Times)) {
      const Line &l = sl.line;
      line_ = l.number;
      std::string key = upper(l.tokens[0]);
      std::size_t vi = 1;
      if (key == "HYDRAULIC" || key == "QUALITY" || key == "RULE" || key == "PATTERN" || key == "REPORT" ||
          key == "START") {
        if (l.tokens.size() < 2) fail("missing value for " + key);
        key += " " + upper(l.tokens[1]);
        vi = 2;
      }
      if (key == "STATISTIC") {
        need(l, 2, "STATISTIC");
        t.statistic = upper(l.tokens[1]);
        continue;
      }
      if (vi >= l.tokens.size()) fail("missing value for " + key);
      const std::string unit = vi + 1 < l.tokens.size() ? l.tokens[vi + 1] : "";
      std::optional<double> v = key == "START CLOCKTIME" ? inp::parse_clocktime(l.tokens[vi], unit)
                                                         : inp::parse_duration(l.tokens[vi], unit);
      if (!v || *v < 0) fail("invalid time value for " + key + ": " + l.tokens[vi]);
      if (key == "DURATION") t.duration = *v;
      else if (key == "HYDRAULIC TIMESTEP") t.hydraulic_step = *v;
      else if (key == "QUALITY TIMESTEP") t.quality_step = *v;
      else if (key == "RULE TIMESTEP") t.rule_step = *v;
      else if (key == "PATTERN TIMESTEP") t.pattern_step = *v;
      else if (key == "PATTERN START") t.pattern_start = *v;
      else if (key == "REPORT TIMESTEP") t.report_step = *v;
      else if (key == "REPORT START") t.report_start = *v;
      else if (key == "START CLOCKTIME") t.start_clocktime = std::fmod(*v, 86400.0);
      else fail("unknown time parameter " + key);
    }
    if (t.hydraulic_step <= 0) t.hydraulic_step = 3600;
    if (t.pattern_step <= 0) t.pattern_step = 3600;
    if (t.report_step <= 0) t.report_step = 3600;
  }

  void patterns() {
    for (auto &sl : lines(Section::Patterns)) {
      const Line &l = sl.line;
      line_ = l.number;
      int p = m_.find_pattern(l.tokens[0]);
      if (p == kNone) {
        p = static_cast<int>(m_.patterns.size());
        m_.patterns.push_back({l.tokens[0], {}, sl.curve_comment});
        m_.pattern_index.emplace(l.tokens[0], p);
      }
      for (std::size_t i = 1; i < l.tokens.size(); ++i) m_.patterns[p].factors.push_back(number(l, i, "pattern factor"));
    }
    for (auto &p : m_.patterns)
      if (p.factors.empty()) p.factors.push_back(1.0);
  }

  void curves() {
    for (auto &sl : lines(Section::Curves)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "curve point");
      int c = m_.find_curve(l.tokens[0]);
      if (c == kNone) {
        c = static_cast<int>(m_.curves.size());
        Curve curve;
        curve.id = l.tokens[0];
        RawCurve raw;
        raw.line = l.number;
        // A comment line "PUMP: ..." before the first point gives the kind.
        const std::string hint = upper(sl.curve_comment);
        if (hint.rfind("PUMP", 0) == 0) raw.hinted = CurveKind::Pump;
        else if (hint.rfind("EFFICIENCY", 0) == 0) raw.hinted = CurveKind::Efficiency;
        else if (hint.rfind("VOLUME", 0) == 0) raw.hinted = CurveKind::Volume;
        else if (hint.rfind("HEADLOSS", 0) == 0) raw.hinted = CurveKind::Headloss;
        if (raw.hinted != CurveKind::Generic) {
          auto colon = sl.curve_comment.find(':');
          curve.comment = colon == std::string::npos ? "" : sl.curve_comment.substr(colon + 1);
          while (!curve.comment.empty() && curve.comment.front() == ' ') curve.comment.erase(0, 1);
        } else {
          curve.comment = sl.curve_comment;
        }
        m_.curves.push_back(std::move(curve));
        raw_curves_.push_back(std::move(raw));
        m_.curve_index.emplace(l.tokens[0], c);
      }
      RawCurve &raw = raw_curves_[c];
      const double x = number(l, 1, "curve x value"), y = number(l, 2, "curve y value");
      if (!raw.x.empty() && x <= raw.x.back()) fail("curve " + l.tokens[0] + ": x values must increase");
      raw.x.push_back(x);
      raw.y.push_back(y);
    }
  }

  int add_node(const Line &l, NodeKind kind) {
    const std::string &id = l.tokens[0];
    if (m_.find_node(id) != kNone) fail("duplicate node identifier " + id);
    int i = static_cast<int>(m_.nodes.size());
    Node n;
    n.id = id;
    n.kind = kind;
    n.comment = l.comment;
    m_.nodes.push_back(std::move(n));
    m_.node_index.emplace(id, i);
    demands_from_section_.push_back(false);
    return i;
  }

  void junctions() {
    for (auto &sl : lines(Section::Junctions)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "junction");
      int i = add_node(l, NodeKind::Junction);
      Node &n = m_.nodes[i];
      n.elevation = number(l, 1, "elevation") * len_si();
      if (l.tokens.size() > 2) {
        Demand d;
        d.base = number(l, 2, "demand") * flow_si();
        if (l.tokens.size() > 3) d.pattern = pattern_ref(l.tokens[3]);
        else d.pattern = kNone;
        n.demands.push_back(d);
      }
    }
  }

  void reservoirs() {
    for (auto &sl : lines(Section::Reservoirs)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "reservoir");
      int i = add_node(l, NodeKind::Reservoir);
      Node &n = m_.nodes[i];
      n.elevation = number(l, 1, "head") * len_si();
      Tank t;
      t.node = i;
      t.reservoir = true;
      if (l.tokens.size() > 2) t.head_pattern = pattern_ref(l.tokens[2]);
      n.tank = static_cast<int>(m_.tanks.size());
      m_.tanks.push_back(t);
    }
  }

  void tanks() {
    for (auto &sl : lines(Section::Tanks)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 7, "tank (id, elevation, initial, minimum and maximum level, diameter, minimum volume)");
      int i = add_node(l, NodeKind::Tank);
      Node &n = m_.nodes[i];
      n.elevation = number(l, 1, "elevation") * len_si();
      Tank t;
      t.node = i;
      t.initial_level = non_negative(l, 2, "initial level") * len_si();
      t.min_level = non_negative(l, 3, "minimum level") * len_si();
      t.max_level = non_negative(l, 4, "maximum level") * len_si();
      t.diameter = non_negative(l, 5, "diameter") * len_si();
      t.min_volume = non_negative(l, 6, "minimum volume") * vol_si();
      if (l.tokens.size() > 7 && l.tokens[7] != "*") {
        t.volume_curve = curve_ref(l.tokens[7]);
        use_curve(t.volume_curve, CurveKind::Volume);
      }
      if (l.tokens.size() > 8) {
        const std::string of = upper(l.tokens[8]);
        if (of == "YES" || of == "TRUE") t.overflow = true;
        else if (of == "NO" || of == "FALSE") t.overflow = false;
        else fail("overflow flag must be YES or NO");
      }
      if (t.max_level < t.min_level) fail("maximum level below minimum level");
      if (t.initial_level < t.min_level || t.initial_level > t.max_level)
        fail("initial level outside the minimum and maximum levels");
      if (t.diameter <= 0 && t.volume_curve == kNone) fail("tank needs a positive diameter or a volume curve");
      n.tank = static_cast<int>(m_.tanks.size());
      m_.tanks.push_back(t);
    }
  }

  int add_link(const Line &l, LinkKind kind) {
    const std::string &id = l.tokens[0];
    if (m_.find_link(id) != kNone) fail("duplicate link identifier " + id);
    Link link;
    link.id = id;
    link.kind = kind;
    link.from = node_ref(l.tokens[1]);
    link.to = node_ref(l.tokens[2]);
    if (link.from == link.to) fail("link " + id + " connects a node to itself");
    link.comment = l.comment;
    int i = static_cast<int>(m_.links.size());
    m_.links.push_back(std::move(link));
    m_.link_index.emplace(id, i);
    return i;
  }

  void pipes() {
    for (auto &sl : lines(Section::Pipes)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 6, "pipe (id, nodes, length, diameter, roughness)");
      int i = add_link(l, LinkKind::Pipe);
      Link &p = m_.links[i];
      p.length = non_negative(l, 3, "length") * len_si();
      p.diameter = non_negative(l, 4, "diameter") * diam_si();
      p.roughness = non_negative(l, 5, "roughness");
      if (p.length <= 0) fail("pipe length must be positive");
      if (p.diameter <= 0) fail("pipe diameter must be positive");
      if (p.roughness <= 0) fail("pipe roughness must be positive");
      if (m_.options.headloss == HeadlossFormula::DarcyWeisbach)
        p.roughness *= us() ? units::kFoot / 1000.0 : 0.001;
      std::size_t next = 6;
      if (l.tokens.size() > 6 && inp::parse_number(l.tokens[6])) {
        p.minor_loss = non_negative(l, 6, "minor loss");
        next = 7;
      }
      if (l.tokens.size() > next) {
        const std::string s = upper(l.tokens[next]);
        if (s == "OPEN") p.initial_status = LinkStatus::Open;
        else if (s == "CLOSED") p.initial_status = LinkStatus::Closed;
        else if (s == "CV") p.kind = LinkKind::CVPipe;
        else fail("pipe status must be OPEN, CLOSED or CV");
      }
    }
  }

  void pumps() {
    for (auto &sl : lines(Section::Pumps)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 4, "pump (id, nodes, keywords)");
      int i = add_link(l, LinkKind::Pump);
      Pump pump;
      // Old form: a bare number is a constant power.
      if (l.tokens.size() == 4 && inp::parse_number(l.tokens[3])) {
        pump.curve_kind = PumpCurveKind::ConstantPower;
        pump.power = non_negative(l, 3, "power") * power_si();
      } else {
        if ((l.tokens.size() - 3) % 2 != 0) fail("pump keyword without value");
        for (std::size_t k = 3; k + 1 < l.tokens.size(); k += 2) {
          const std::string key = upper(l.tokens[k]);
          if (key == "HEAD") {
            pump.head_curve = curve_ref(l.tokens[k + 1]);
            use_curve(pump.head_curve, CurveKind::Pump);
            pump.curve_kind = PumpCurveKind::HeadCurve;
          } else if (key == "POWER") {
            pump.power = non_negative(l, k + 1, "power") * power_si();
            if (pump.curve_kind == PumpCurveKind::None) pump.curve_kind = PumpCurveKind::ConstantPower;
          } else if (key == "SPEED") {
            pump.speed = non_negative(l, k + 1, "speed");
          } else if (key == "PATTERN") {
            pump.speed_pattern = pattern_ref(l.tokens[k + 1]);
          } else {
            fail("unknown pump keyword " + l.tokens[k]);
          }
        }
      }
      if (pump.curve_kind == PumpCurveKind::None) fail("pump " + l.tokens[0] + " has neither head curve nor power");
      if (pump.curve_kind == PumpCurveKind::ConstantPower && pump.power <= 0) fail("pump power must be positive");
      Link &link = m_.links[i];
      link.setting = pump.speed;
      if (pump.speed == 0) link.initial_status = LinkStatus::Closed;
      link.pump = static_cast<int>(m_.pumps.size());
      m_.pumps.push_back(pump);
    }
  }

  void valves() {
    for (auto &sl : lines(Section::Valves)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 6, "valve (id, nodes, diameter, type, setting)");
      const std::string type = upper(l.tokens[4]);
      LinkKind kind;
      if (type == "PRV") kind = LinkKind::PRV;
      else if (type == "PSV") kind = LinkKind::PSV;
      else if (type == "PBV") kind = LinkKind::PBV;
      else if (type == "FCV") kind = LinkKind::FCV;
      else if (type == "TCV") kind = LinkKind::TCV;
      else if (type == "GPV") kind = LinkKind::GPV;
      else fail("unknown valve type " + l.tokens[4]);
      int i = add_link(l, kind);
      Link &v = m_.links[i];
      v.diameter = non_negative(l, 3, "diameter") * diam_si();
      if (v.diameter <= 0) fail("valve diameter must be positive");
      if (kind == LinkKind::GPV) {
        int c = curve_ref(l.tokens[5]);
        use_curve(c, CurveKind::Headloss);
        v.setting = c;
      } else {
        v.setting = valve_setting_si(kind, number(l, 5, "setting"));
      }
      if (l.tokens.size() > 6) v.minor_loss = non_negative(l, 6, "minor loss");
      v.initial_status = LinkStatus::Active;
      // Check the valve does not sit between two fixed-head nodes or another valve's node.
      const Node &a = m_.nodes[v.from], &b = m_.nodes[v.to];
      if ((kind == LinkKind::PRV || kind == LinkKind::PSV || kind == LinkKind::FCV) &&
          (a.kind != NodeKind::Junction || b.kind != NodeKind::Junction))
        fail("a " + type + " cannot be connected to a tank or reservoir");
    }
  }

  void tags() {
    for (auto &sl : lines(Section::Tags)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "tag (NODE|LINK, id, tag)");
      const std::string kind = upper(l.tokens[0]);
      if (kind == "NODE") m_.nodes[node_ref(l.tokens[1])].tag = l.tokens[2];
      else if (kind == "LINK") m_.links[link_ref(l.tokens[1])].tag = l.tokens[2];
      else fail("tag must be for NODE or LINK");
    }
  }

  void demands() {
    for (auto &sl : lines(Section::Demands)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "demand (junction, base demand)");
      int i = node_ref(l.tokens[0]);
      Node &n = m_.nodes[i];
      if (n.kind != NodeKind::Junction) fail("demand given for " + l.tokens[0] + ", which is not a junction");
      // The first DEMANDS entry of a junction replaces the demand of its JUNCTIONS line.
      if (!demands_from_section_[i]) {
        n.demands.clear();
        demands_from_section_[i] = true;
      }
      Demand d;
      d.base = number(l, 1, "base demand") * flow_si();
      if (l.tokens.size() > 2) d.pattern = pattern_ref(l.tokens[2]);
      d.category = l.comment;
      n.demands.push_back(std::move(d));
    }
  }

  void status() {
    for (auto &sl : lines(Section::Status)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "status (link, value)");
      Link &link = m_.links[link_ref(l.tokens[0])];
      const std::string s = upper(l.tokens[1]);
      if (s == "OPEN" || s == "CLOSED" || s == "ACTIVE") {
        if (link.kind == LinkKind::CVPipe && s == "CLOSED") fail("a check valve cannot be closed by status");
        if (link.kind == LinkKind::GPV && s == "ACTIVE") fail("a GPV cannot be made active");
        link.initial_status = s == "OPEN" ? LinkStatus::Open : s == "CLOSED" ? LinkStatus::Closed : LinkStatus::Active;
        if (link.kind == LinkKind::Pump) link.setting = s == "CLOSED" ? 0.0 : (link.setting == 0 ? 1.0 : link.setting);
      } else {
        double v = number(l, 1, "status setting");
        if (link.kind == LinkKind::Pipe || link.kind == LinkKind::CVPipe) fail("a pipe cannot take a setting");
        if (link.kind == LinkKind::GPV) fail("a GPV setting is its curve");
        if (link.kind == LinkKind::Pump) {
          if (v < 0) fail("negative pump speed");
          link.setting = v;
          link.initial_status = v == 0 ? LinkStatus::Closed : LinkStatus::Open;
        } else {
          link.setting = valve_setting_si(link.kind, v);
          link.initial_status = LinkStatus::Active;
        }
        link.setting_given = true;
      }
    }
  }

  void emitters() {
    for (auto &sl : lines(Section::Emitters)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "emitter (junction, coefficient)");
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      if (n.kind != NodeKind::Junction) fail("emitter on " + l.tokens[0] + ", which is not a junction");
      n.emitter_coeff = non_negative(l, 1, "emitter coefficient");  // converted in finish()
    }
  }

  void quality() {
    for (auto &sl : lines(Section::Quality)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "initial quality (node, value)");
      m_.nodes[node_ref(l.tokens[0])].initial_quality = non_negative(l, 1, "initial quality");
    }
  }

  void sources() {
    for (auto &sl : lines(Section::Sources)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "source (node, type, strength)");
      Source s;
      const std::string type = upper(l.tokens[1]);
      if (type == "CONCEN") s.kind = SourceKind::Concentration;
      else if (type == "MASS") s.kind = SourceKind::Mass;
      else if (type == "SETPOINT") s.kind = SourceKind::Setpoint;
      else if (type == "FLOWPACED") s.kind = SourceKind::FlowPaced;
      else fail("unknown source type " + l.tokens[1]);
      s.strength = number(l, 2, "source strength");
      if (l.tokens.size() > 3) s.pattern = pattern_ref(l.tokens[3]);
      m_.nodes[node_ref(l.tokens[0])].source = s;
    }
  }

  void reactions() {
    Reactions &r = m_.reactions;
    for (auto &sl : lines(Section::Reactions)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "reaction");
      const std::string k0 = upper(l.tokens[0]), k1 = upper(l.tokens[1]);
      if (k0 == "ORDER") {
        double v = number(l, 2, "reaction order");
        if (k1 == "BULK") r.bulk_order = v;
        else if (k1 == "WALL") r.wall_order = v;
        else if (k1 == "TANK") r.tank_order = v;
        else fail("unknown reaction order " + l.tokens[1]);
      } else if (k0 == "GLOBAL") {
        double v = number(l, 2, "global coefficient");
        if (k1 == "BULK") r.global_bulk = v;
        else if (k1 == "WALL") r.global_wall = v;
        else fail("unknown global reaction " + l.tokens[1]);
      } else if (k0 == "LIMITING") {
        r.limiting_potential = number(l, 2, "limiting potential");
      } else if (k0 == "ROUGHNESS") {
        r.roughness_correlation = number(l, 2, "roughness correlation");
      } else if (k0 == "BULK" || k0 == "WALL") {
        Link &link = m_.links[link_ref(l.tokens[1])];
        double v = number(l, 2, "reaction coefficient");
        (k0 == "BULK" ? link.bulk_coeff : link.wall_coeff) = v;
      } else if (k0 == "TANK") {
        Node &n = m_.nodes[node_ref(l.tokens[1])];
        if (n.kind != NodeKind::Tank) fail(l.tokens[1] + " is not a tank");
        m_.tanks[n.tank].bulk_coeff = number(l, 2, "tank reaction coefficient");
      } else {
        fail("unknown reaction keyword " + l.tokens[0]);
      }
    }
  }

  void mixing() {
    for (auto &sl : lines(Section::Mixing)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 2, "mixing (tank, model)");
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      if (n.kind != NodeKind::Tank) fail(l.tokens[0] + " is not a tank");
      Tank &t = m_.tanks[n.tank];
      const std::string mm = upper(l.tokens[1]);
      if (mm == "MIXED") t.mixing = MixModel::Mixed;
      else if (mm == "2COMP") t.mixing = MixModel::TwoComp;
      else if (mm == "FIFO") t.mixing = MixModel::FIFO;
      else if (mm == "LIFO") t.mixing = MixModel::LIFO;
      else fail("unknown mixing model " + l.tokens[1]);
      if (l.tokens.size() > 2) t.mix_fraction = number(l, 2, "mixing fraction");
    }
  }

  void energy() {
    Energy &e = m_.energy;
    for (auto &sl : lines(Section::Energy)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "energy");
      const std::string k0 = upper(l.tokens[0]);
      if (k0 == "GLOBAL") {
        const std::string k1 = upper(l.tokens[1]);
        if (k1 == "PRICE") e.global_price = number(l, 2, "price");
        else if (k1 == "PATTERN") e.global_price_pattern = pattern_ref(l.tokens[2]);
        else if (is_keyword(k1, "EFFICIENCY", 4)) {
          if (auto v = inp::parse_number(l.tokens[2])) e.global_efficiency = *v;
          else fail("invalid global efficiency " + l.tokens[2]);
        } else fail("unknown energy keyword " + l.tokens[1]);
      } else if (k0 == "DEMAND") {
        e.demand_charge = number(l, 2, "demand charge");
      } else if (k0 == "PUMP") {
        need(l, 4, "pump energy");
        Link &link = m_.links[link_ref(l.tokens[1])];
        if (link.kind != LinkKind::Pump) fail(l.tokens[1] + " is not a pump");
        Pump &p = m_.pumps[link.pump];
        const std::string k2 = upper(l.tokens[2]);
        if (k2 == "PRICE") p.energy_price = number(l, 3, "price");
        else if (k2 == "PATTERN") p.price_pattern = pattern_ref(l.tokens[3]);
        else if (is_keyword(k2, "EFFICIENCY", 4)) {
          p.efficiency_curve = curve_ref(l.tokens[3]);
          use_curve(p.efficiency_curve, CurveKind::Efficiency);
        } else fail("unknown pump energy keyword " + l.tokens[2]);
      } else {
        fail("unknown energy keyword " + l.tokens[0]);
      }
    }
  }

  std::pair<std::optional<LinkStatus>, std::optional<double>> action_value(const Link &link, const std::string &tok) {
    const std::string s = upper(tok);
    if (s == "OPEN") return {LinkStatus::Open, std::nullopt};
    if (s == "CLOSED") return {LinkStatus::Closed, std::nullopt};
    if (s == "ACTIVE") return {LinkStatus::Active, std::nullopt};
    auto v = inp::parse_number(tok);
    if (!v) fail("invalid link status or setting " + tok);
    if (link.kind == LinkKind::Pipe || link.kind == LinkKind::CVPipe) fail("a pipe cannot take a setting");
    if (link.kind == LinkKind::GPV) fail("a GPV cannot take a numeric setting");
    if (link.kind == LinkKind::Pump) {
      if (*v < 0) fail("negative pump speed");
      return {std::nullopt, *v};
    }
    return {std::nullopt, valve_setting_si(link.kind, *v)};
  }

  void controls() {
    for (auto &sl : lines(Section::Controls)) {
      const Line &l = sl.line;
      line_ = l.number;
      // LINK id value IF NODE id ABOVE|BELOW x | LINK id value AT TIME t | AT CLOCKTIME t AM/PM
      need(l, 6, "control");
      if (upper(l.tokens[0]) != "LINK") fail("control must start with LINK");
      Control c;
      c.link = link_ref(l.tokens[1]);
      const Link &link = m_.links[c.link];
      if (link.kind == LinkKind::CVPipe) fail("a check valve cannot be controlled");
      auto [st, set] = action_value(link, l.tokens[2]);
      c.status = st;
      c.setting = set;
      const std::string k3 = upper(l.tokens[3]);
      if (k3 == "IF") {
        need(l, 7, "control");
        if (upper(l.tokens[4]) != "NODE") fail("control condition must name a NODE");
        c.node = node_ref(l.tokens[5]);
        const std::string rel = upper(l.tokens[6]);
        if (rel == "ABOVE") c.type = Control::Type::HighLevel;
        else if (rel == "BELOW") c.type = Control::Type::LowLevel;
        else fail("control condition must be ABOVE or BELOW");
        double v = number(l, 7, "control level");
        c.grade = m_.nodes[c.node].kind == NodeKind::Junction ? v * pres_si() : v * len_si();
      } else if (k3 == "AT") {
        const std::string k4 = upper(l.tokens[4]);
        const std::string unit = l.tokens.size() > 6 ? l.tokens[6] : "";
        std::optional<double> t;
        if (k4 == "TIME") { c.type = Control::Type::Timer; t = inp::parse_duration(l.tokens[5], unit); }
        else if (k4 == "CLOCKTIME") { c.type = Control::Type::TimeOfDay; t = inp::parse_clocktime(l.tokens[5], unit); }
        else fail("control time must be TIME or CLOCKTIME");
        if (!t || *t < 0) fail("invalid control time " + l.tokens[5]);
        c.time = c.type == Control::Type::TimeOfDay ? std::fmod(*t, 86400.0) : *t;
      } else {
        fail("control needs IF or AT");
      }
      m_.controls.push_back(c);
    }
  }

  void rules() {
    Rule *rule = nullptr;
    enum class Part { None, Premises, Then, Else } part = Part::None;
    for (auto &sl : lines(Section::Rules)) {
      const Line &l = sl.line;
      line_ = l.number;
      const std::string k0 = upper(l.tokens[0]);
      if (k0 == "RULE") {
        need(l, 2, "rule name");
        for (const Rule &r : m_.rules)
          if (r.id == l.tokens[1]) fail("duplicate rule identifier " + l.tokens[1]);
        m_.rules.push_back({});
        rule = &m_.rules.back();
        rule->id = l.tokens[1];
        part = Part::None;
        continue;
      }
      if (!rule) fail("rule clause before any RULE");
      if (k0 == "PRIORITY") {
        rule->priority = number(l, 1, "priority");
        continue;
      }
      if (k0 == "IF") {
        if (part != Part::None) fail("IF must start a rule");
        part = Part::Premises;
        rule->premises.push_back(premise(l, RulePremise::Logic::If));
      } else if (k0 == "THEN") {
        if (part != Part::Premises) fail("THEN without IF");
        part = Part::Then;
        rule->then_actions.push_back(action(l));
      } else if (k0 == "ELSE") {
        if (part != Part::Then) fail("ELSE without THEN");
        part = Part::Else;
        rule->else_actions.push_back(action(l));
      } else if (k0 == "AND" || k0 == "OR") {
        if (part == Part::Premises) {
          rule->premises.push_back(premise(l, k0 == "AND" ? RulePremise::Logic::And : RulePremise::Logic::Or));
        } else if (k0 == "AND" && part == Part::Then) {
          rule->then_actions.push_back(action(l));
        } else if (k0 == "AND" && part == Part::Else) {
          rule->else_actions.push_back(action(l));
        } else {
          fail("misplaced " + k0 + " in rule");
        }
      } else {
        fail("unknown rule keyword " + l.tokens[0]);
      }
    }
    for (const Rule &r : m_.rules)
      if (r.premises.empty() || r.then_actions.empty()) fail("rule " + r.id + " needs IF and THEN clauses");
  }

  RulePremise premise(const Line &l, RulePremise::Logic logic) {
    using P = RulePremise;
    P p;
    p.logic = logic;
    need(l, 4, "rule condition");
    const std::string obj = upper(l.tokens[1]);
    std::size_t vi;  // index of the variable token
    if (obj == "SYSTEM") {
      p.object = P::Object::System;
      vi = 2;
    } else {
      static const std::pair<const char *, P::Object> objects[] = {
          {"NODE", P::Object::Node}, {"JUNCTION", P::Object::Junction}, {"RESERVOIR", P::Object::Reservoir},
          {"TANK", P::Object::Tank}, {"LINK", P::Object::Link},         {"PIPE", P::Object::Pipe},
          {"PUMP", P::Object::Pump}, {"VALVE", P::Object::Valve}};
      bool found = false;
      for (auto &[name, o] : objects)
        if (obj == name) { p.object = o; found = true; }
      if (!found) fail("unknown rule object " + l.tokens[1]);
      const bool is_node = p.object <= P::Object::Reservoir;
      p.index = is_node ? node_ref(l.tokens[2]) : link_ref(l.tokens[2]);
      vi = 3;
    }
    need(l, vi + 3, "rule condition");
    const std::string var = upper(l.tokens[vi]);
    static const std::pair<const char *, P::Variable> vars[] = {
        {"DEMAND", P::Variable::Demand},     {"HEAD", P::Variable::Head},         {"GRADE", P::Variable::Grade},
        {"LEVEL", P::Variable::Level},       {"PRESSURE", P::Variable::Pressure}, {"FLOW", P::Variable::Flow},
        {"STATUS", P::Variable::Status},     {"SETTING", P::Variable::Setting},   {"POWER", P::Variable::Power},
        {"TIME", P::Variable::Time},         {"CLOCKTIME", P::Variable::ClockTime},
        {"FILLTIME", P::Variable::FillTime}, {"DRAINTIME", P::Variable::DrainTime}};
    bool found = false;
    for (auto &[name, v] : vars)
      if (var == name) { p.variable = v; found = true; }
    if (!found) fail("unknown rule variable " + l.tokens[vi]);
    const std::string rel = upper(l.tokens[vi + 1]);
    static const std::pair<const char *, P::Relation> rels[] = {
        {"=", P::Relation::Eq},  {"<>", P::Relation::Ne}, {"<=", P::Relation::Le},   {">=", P::Relation::Ge},
        {"<", P::Relation::Lt},  {">", P::Relation::Gt},  {"IS", P::Relation::Is},   {"NOT", P::Relation::Not},
        {"BELOW", P::Relation::Below}, {"ABOVE", P::Relation::Above}};
    found = false;
    for (auto &[name, r] : rels)
      if (rel == name) { p.relation = r; found = true; }
    if (!found) fail("unknown rule relation " + l.tokens[vi + 1]);
    const std::string &value = l.tokens[vi + 2];
    const std::string unit = l.tokens.size() > vi + 3 ? l.tokens[vi + 3] : "";
    if (p.variable == P::Variable::Status) {
      const std::string s = upper(value);
      if (s == "OPEN") p.status = LinkStatus::Open;
      else if (s == "CLOSED") p.status = LinkStatus::Closed;
      else if (s == "ACTIVE") p.status = LinkStatus::Active;
      else fail("rule status must be OPEN, CLOSED or ACTIVE");
      return p;
    }
    std::optional<double> v;
    switch (p.variable) {
      case P::Variable::Time: case P::Variable::FillTime: case P::Variable::DrainTime:
        v = inp::parse_duration(value, unit); break;
      case P::Variable::ClockTime: v = inp::parse_clocktime(value, unit); break;
      default: v = inp::parse_number(value);
    }
    if (!v) fail("invalid rule value " + value);
    switch (p.variable) {
      case P::Variable::Demand: case P::Variable::Flow: p.value = *v * flow_si(); break;
      case P::Variable::Head: case P::Variable::Grade: case P::Variable::Level: p.value = *v * len_si(); break;
      case P::Variable::Pressure: p.value = *v * pres_si(); break;
      case P::Variable::Power: p.value = *v * power_si(); break;
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
    // THEN|AND|ELSE LINK|PIPE|PUMP|VALVE id STATUS|SETTING IS value
    need(l, 6, "rule action");
    RuleAction a;
    const std::string obj = upper(l.tokens[1]);
    if (obj != "LINK" && obj != "PIPE" && obj != "PUMP" && obj != "VALVE") fail("rule action must act on a link");
    a.link = link_ref(l.tokens[2]);
    const std::string var = upper(l.tokens[3]);
    if (upper(l.tokens[4]) != "IS" && l.tokens[4] != "=") fail("rule action needs IS");
    const Link &link = m_.links[a.link];
    if (var == "STATUS") {
      const std::string s = upper(l.tokens[5]);
      if (s == "OPEN") a.status = LinkStatus::Open;
      else if (s == "CLOSED") a.status = LinkStatus::Closed;
      else if (s == "ACTIVE") a.status = LinkStatus::Active;
      else fail("rule status must be OPEN, CLOSED or ACTIVE");
    } else if (var == "SETTING") {
      auto [st, set] = action_value(link, l.tokens[5]);
      if (!set) fail("rule setting must be a number");
      a.setting = set;
    } else {
      fail("rule action must set STATUS or SETTING");
    }
    return a;
  }

  void coordinates() {
    for (auto &sl : lines(Section::Coordinates)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "coordinates (node, x, y)");
      Node &n = m_.nodes[node_ref(l.tokens[0])];
      n.x = number(l, 1, "x coordinate");
      n.y = number(l, 2, "y coordinate");
      n.has_coords = true;
    }
  }

  void vertices() {
    for (auto &sl : lines(Section::Vertices)) {
      const Line &l = sl.line;
      line_ = l.number;
      need(l, 3, "vertex (link, x, y)");
      m_.links[link_ref(l.tokens[0])].vertices.emplace_back(number(l, 1, "x coordinate"), number(l, 2, "y coordinate"));
    }
  }

  void verbatim() {
    for (auto &sl : lines(Section::Report)) m_.report_lines.push_back(sl.raw);
    for (auto &sl : lines(Section::Labels)) m_.label_lines.push_back(sl.raw);
    for (auto &sl : lines(Section::Backdrop)) m_.backdrop_lines.push_back(sl.raw);
  }

  void finish() {
    line_ = 0;
    Options &o = m_.options;
    o.default_pattern_id = default_pattern_id_;
    o.default_pattern = m_.find_pattern(default_pattern_id_);
    if (default_pattern_given_ && o.default_pattern == kNone && !inp::parse_number(default_pattern_id_))
      fail("unknown default pattern " + default_pattern_id_);
    o.head_error *= len_si();
    o.flow_change *= flow_si();
    const double emit = 1.0 / units::emitter(m_);
    for (Node &n : m_.nodes) n.emitter_coeff *= emit;
    if (o.quality == QualityKind::Trace && m_.find_node(o.trace_node) == kNone)
      fail("unknown trace node " + o.trace_node);
    // Curves take the units of their use (or of their declared kind when unused).
    for (std::size_t c = 0; c < m_.curves.size(); ++c) {
      Curve &curve = m_.curves[c];
      RawCurve &raw = raw_curves_[c];
      if (curve.kind == CurveKind::Generic) curve.kind = raw.hinted;
      double fx = 1, fy = 1;
      switch (curve.kind) {
        case CurveKind::Pump: case CurveKind::Headloss: fx = flow_si(); fy = len_si(); break;
        case CurveKind::Efficiency: fx = flow_si(); break;
        case CurveKind::Volume: fx = len_si(); fy = vol_si(); break;
        case CurveKind::Generic: break;
      }
      curve.x.resize(raw.x.size());
      curve.y.resize(raw.y.size());
      for (std::size_t i = 0; i < raw.x.size(); ++i) {
        curve.x[i] = raw.x[i] * fx;
        curve.y[i] = raw.y[i] * fy;
      }
      line_ = raw.line;
      if (curve.kind == CurveKind::Pump) check_pump_curve(curve);
      if (curve.kind == CurveKind::Volume) {
        if (curve.x.size() < 2) fail("volume curve " + curve.id + " needs two points");
        for (std::size_t i = 1; i < curve.y.size(); ++i)
          if (curve.y[i] < curve.y[i - 1]) fail("volume curve " + curve.id + ": volume must not decrease");
      }
    }
    line_ = 0;
    if (m_.tanks.empty()) fail("the network has no tank or reservoir");
  }

  void check_pump_curve(const Curve &c) {
    const auto &x = c.x, &y = c.y;
    for (std::size_t i = 1; i < y.size(); ++i)
      if (y[i] >= y[i - 1]) fail("pump curve " + c.id + ": head must decrease with flow");
    if (x.size() == 1 && (x[0] <= 0 || y[0] <= 0)) fail("pump curve " + c.id + ": invalid design point");
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
