// INP writer: every section the reader knows, values converted back to the
// model's display units, numbers in shortest round-trip form. Nodes and links
// are written so that reading the file numbers them as they are numbered in
// the model: a change of link kind in the model's order starts a new [PIPES],
// [PUMPS] or [VALVES] section.
#include "io/inp_writer.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "io/inp_text.hpp"
#include "io/option_table.hpp"
#include "model/time_span.hpp"
#include "model/units.hpp"

namespace orv {

namespace {

using inp::format_number;

class Writer {
 public:
  explicit Writer(const Model &m) : m_(m), us_(m.us_units()) {}

  std::string text() {
    title();
    junctions();
    tanks_and_reservoirs();
    links();
    tags();
    demands();
    status();
    patterns();
    curves();
    controls();
    rules();
    energy();
    emitters();
    leakage();
    quality();
    sources();
    reactions();
    mixing();
    times();
    report();
    options();
    coordinates();
    vertices();
    verbatim("LABELS", m_.label_lines);
    verbatim("BACKDROP", m_.backdrop_lines);
    out_ << "\n[END]\n";
    return out_.str();
  }

 private:
  const Model &m_;
  bool us_;
  std::ostringstream out_;

  // The shortest text (15 to 17 digits) that reads back to the very value.
  static std::string num(double v) { return exact(v, 1.0, 1.0); }
  // A value converted to display units, in the fewest digits (15 to 17) that
  // read back, through the reader's own factor, to the very value held.
  // When no text reads back to it, the value the 17-digit text reads back to
  // is written instead, so that saving again writes the same text.
  static std::string exact(double si, double to_display, double from_display) {
    char buf[64];
    auto reads_back = [&](double v, int digits) {
      std::snprintf(buf, sizeof buf, "%.*g", digits, v);
      return std::strtod(buf, nullptr) * from_display == si;
    };
    auto text = [&] { return std::string(std::strcmp(buf, "-0") == 0 ? "0" : buf); };
    for (int pass = 0; pass < 2; ++pass) {
      const double v = si * to_display;
      for (int digits = 15; digits <= 17; ++digits)
        if (reads_back(v, digits)) return text();
      // The value read may lie a few units of the last place away.
      double down = v, up = v;
      for (int k = 0; k < 4; ++k) {
        down = std::nextafter(down, -HUGE_VAL);
        up = std::nextafter(up, HUGE_VAL);
        if (reads_back(down, 17) || reads_back(up, 17)) return text();
      }
      reads_back(v, 17);
      si = std::strtod(buf, nullptr) * from_display;
    }
    return text();
  }
  std::string L(double si) const { return exact(si, units::length(us_), us_ ? units::kFoot : 1.0); }
  std::string D(double si) const { return exact(si, units::diameter(us_), us_ ? units::kFoot / 12.0 : 0.001); }
  std::string V(double si) const { return exact(si, units::volume(us_), us_ ? units::kCubicFoot : 1.0); }
  std::string Q(double si) const {
    return exact(si, units::flow(m_.options.flow_units), 1.0 / units::flow(m_.options.flow_units));
  }
  std::string Pres(double si) const { return exact(si, units::pressure(m_), 1.0 / units::pressure(m_)); }
  double flow(double q) const { return q * units::flow(m_.options.flow_units); }
  double len(double v) const { return v * units::length(us_); }
  double pres(double v) const { return v * units::pressure(m_); }
  double vol(double v) const { return v * units::volume(us_); }
  double power(double v) const { return v * units::power(us_); }
  std::string pattern_id(int p) const { return p == kNone ? "" : id(m_.patterns[p].id); }
  static std::string id(const std::string &s) { return inp::format_field(s); }
  std::string node_id(int i) const { return id(m_.nodes[i].id); }
  std::string link_id(int i) const { return id(m_.links[i].id); }
  std::string curve_id(int i) const { return id(m_.curves[i].id); }
  std::string comment(const std::string &c) const { return c.empty() ? "" : "\t;" + c; }

  std::string setting_text(LinkKind k, double v) const {
    switch (k) {
      case LinkKind::PRV: case LinkKind::PSV: case LinkKind::PBV: return Pres(v);
      case LinkKind::FCV: return Q(v);
      default: return num(v);
    }
  }

  double setting_display(LinkKind k, double v) const {
    switch (k) {
      case LinkKind::PRV: case LinkKind::PSV: case LinkKind::PBV: return pres(v);
      case LinkKind::FCV: return flow(v);
      default: return v;
    }
  }

  void header(const char *name) { out_ << "\n[" << name << "]\n"; }

  void title() {
    out_ << "[TITLE]\n";
    if (!m_.title.empty()) out_ << m_.title << "\n";
  }

  void junctions() {
    header("JUNCTIONS");
    for (const Node &n : m_.nodes) {
      if (n.kind != NodeKind::Junction) continue;
      // Demands are all written in [DEMANDS], where categories have their place.
      out_ << " " << id(n.id) << "\t" << L((n.elevation)) << comment(n.comment) << "\n";
    }
  }

  // Sections in the order of the elements: a new header whenever the kind changes.
  void run_header(const char *name, const char *&current) {
    if (current != name) header(name);
    current = name;
  }

  void tanks_and_reservoirs() {
    const char *current = nullptr;
    bool reservoirs = false, tanks = false;
    for (const Tank &t : m_.tanks) {
      const Node &n = m_.nodes[t.node];
      if (t.reservoir) {
        run_header("RESERVOIRS", current);
        reservoirs = true;
        out_ << " " << id(n.id) << "\t" << L((n.elevation)) << "\t" << pattern_id(t.head_pattern)
             << comment(n.comment) << "\n";
        continue;
      }
      run_header("TANKS", current);
      tanks = true;
      // The overflow flag only when set: some readers take any ninth field for YES.
      out_ << " " << id(n.id) << "\t" << L((n.elevation)) << "\t" << L((t.initial_level)) << "\t"
           << L((t.min_level)) << "\t" << L((t.max_level)) << "\t" << L((t.diameter)) << "\t"
           << V((t.min_volume)) << "\t" << (t.volume_curve == kNone ? "*" : curve_id(t.volume_curve))
           << (t.overflow ? "\tYES" : "") << comment(n.comment) << "\n";
    }
    if (!reservoirs) header("RESERVOIRS");
    if (!tanks) header("TANKS");
  }

  void links() {
    const char *current = nullptr;
    bool pipes = false, pumps = false, valves = false;
    for (const Link &l : m_.links) {
      if (l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe) {
        run_header("PIPES", current);
        pipes = true;
        pipe(l);
      } else if (l.kind == LinkKind::Pump) {
        run_header("PUMPS", current);
        pumps = true;
        pump(l);
      } else {
        run_header("VALVES", current);
        valves = true;
        valve(l);
      }
    }
    if (!pipes) header("PIPES");
    if (!pumps) header("PUMPS");
    if (!valves) header("VALVES");
  }

  void pipe(const Link &l) {
    const bool dw = m_.options.headloss == HeadlossFormula::DarcyWeisbach;
    const std::string rough =
        dw ? exact(l.roughness, units::dw_roughness(us_), us_ ? units::kFoot / 1000.0 : 0.001) : num(l.roughness);
    const char *status = l.kind == LinkKind::CVPipe ? "CV" : l.initial_status == LinkStatus::Closed ? "CLOSED" : "OPEN";
    out_ << " " << id(l.id) << "\t" << node_id(l.from) << "\t" << node_id(l.to) << "\t" << L((l.length)) << "\t"
         << D(l.diameter) << "\t" << rough << "\t" << num(l.minor_loss) << "\t" << status
         << comment(l.comment) << "\n";
  }

  void pump(const Link &l) {
    {
      const Pump &p = m_.pumps[l.pump];
      out_ << " " << id(l.id) << "\t" << node_id(l.from) << "\t" << node_id(l.to);
      if (p.head_curve != kNone) out_ << "\tHEAD " << curve_id(p.head_curve);
      if (p.power > 0) out_ << "\tPOWER " << exact(p.power, units::power(us_), units::power_to_si(us_));
      if (p.speed != 1.0) out_ << "\tSPEED " << num(p.speed);
      if (p.speed_pattern != kNone) out_ << "\tPATTERN " << pattern_id(p.speed_pattern);
      out_ << comment(l.comment) << "\n";
    }
  }

  void valve(const Link &l) {
    static const char *types[] = {"PRV", "PSV", "PBV", "FCV", "TCV", "GPV"};
    const int t = static_cast<int>(l.kind) - static_cast<int>(LinkKind::PRV);
    const std::string setting = l.kind == LinkKind::GPV ? curve_id(static_cast<int>(l.setting))
                                                        : setting_text(l.kind, l.setting);
    out_ << " " << id(l.id) << "\t" << node_id(l.from) << "\t" << node_id(l.to) << "\t"
         << D(l.diameter) << "\t" << types[t] << "\t" << setting << "\t" << num(l.minor_loss)
         << comment(l.comment) << "\n";
  }

  void tags() {
    header("TAGS");
    for (const Node &n : m_.nodes)
      if (!n.tag.empty()) out_ << " NODE\t" << id(n.id) << "\t" << id(n.tag) << "\n";
    for (const Link &l : m_.links)
      if (!l.tag.empty()) out_ << " LINK\t" << id(l.id) << "\t" << id(l.tag) << "\n";
  }

  void demands() {
    header("DEMANDS");
    for (const Node &n : m_.nodes)
      for (const Demand &d : n.demands)
        out_ << " " << id(n.id) << "\t" << Q((d.base)) << "\t" << pattern_id(d.pattern)
             << (d.category.empty() ? "" : "\t;" + d.category) << "\n";
  }

  void status() {
    header("STATUS");
    for (const Link &l : m_.links) {
      if (l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe) continue;
      if (l.kind == LinkKind::Pump) {
        if (l.initial_status == LinkStatus::Closed) out_ << " " << id(l.id) << "\tCLOSED\n";
        else if (l.setting_given) out_ << " " << id(l.id) << "\t" << num(l.setting) << "\n";
        continue;
      }
      if (l.initial_status == LinkStatus::Open) out_ << " " << id(l.id) << "\tOPEN\n";
      else if (l.initial_status == LinkStatus::Closed) out_ << " " << id(l.id) << "\tCLOSED\n";
    }
  }

  void patterns() {
    header("PATTERNS");
    for (const Pattern &p : m_.patterns) {
      if (!p.comment.empty()) out_ << ";" << p.comment << "\n";
      for (std::size_t i = 0; i < p.factors.size(); i += 6) {
        out_ << " " << id(p.id);
        for (std::size_t j = i; j < std::min(p.factors.size(), i + 6); ++j) out_ << "\t" << num(p.factors[j]);
        out_ << "\n";
      }
    }
  }

  void curves() {
    header("CURVES");
    // Curves whose kind no use tells carry it in a type word after each point.
    std::vector<bool> used(m_.curves.size(), false);
    for (const Tank &t : m_.tanks)
      if (t.volume_curve != kNone) used[t.volume_curve] = true;
    for (const Pump &p : m_.pumps) {
      if (p.head_curve != kNone) used[p.head_curve] = true;
      if (p.efficiency_curve != kNone) used[p.efficiency_curve] = true;
    }
    for (const Link &l : m_.links)
      if (l.kind == LinkKind::GPV) used[static_cast<int>(l.setting)] = true;
    for (std::size_t ci = 0; ci < m_.curves.size(); ++ci) {
      const Curve &c = m_.curves[ci];
      double fx = 1, fy = 1;
      const char *kind = nullptr;
      switch (c.kind) {
        case CurveKind::Pump: kind = "PUMP"; fx = units::flow(m_.options.flow_units); fy = units::length(us_); break;
        case CurveKind::Headloss: kind = "HEADLOSS"; fx = units::flow(m_.options.flow_units); fy = units::length(us_); break;
        case CurveKind::Efficiency: kind = "EFFICIENCY"; fx = units::flow(m_.options.flow_units); break;
        case CurveKind::Volume: kind = "VOLUME"; fx = units::length(us_); fy = units::volume(us_); break;
        case CurveKind::Generic: break;
      }
      // The reader's factors back to SI, for exact text.
      const double flow_back = 1.0 / units::flow(m_.options.flow_units), len_back = us_ ? units::kFoot : 1.0;
      const double back_x = c.kind == CurveKind::Volume ? len_back : c.kind == CurveKind::Generic ? 1.0 : flow_back;
      const double back_y = c.kind == CurveKind::Volume       ? (us_ ? units::kCubicFoot : 1.0)
                            : c.kind == CurveKind::Pump || c.kind == CurveKind::Headloss ? len_back
                                                                                          : 1.0;
      // The kind is also named in the comment line before the first point, for readers.
      if (kind) out_ << ";" << kind << ": " << c.comment << "\n";
      else if (!c.comment.empty()) out_ << ";" << c.comment << "\n";
      const std::string type = kind && !used[ci] ? std::string("\t") + (c.kind == CurveKind::Efficiency ? "EFFIC" : kind) : "";
      for (std::size_t i = 0; i < c.x.size(); ++i)
        out_ << " " << id(c.id) << "\t" << exact(c.x[i], fx, back_x) << "\t" << exact(c.y[i], fy, back_y) << type << "\n";
    }
  }

  std::string action_text(int link, const std::optional<LinkStatus> &st, const std::optional<double> &set) const {
    if (set) {
      const Link &l = m_.links[link];
      return l.kind == LinkKind::Pump ? num(*set) : setting_text(l.kind, *set);
    }
    switch (st.value_or(LinkStatus::Open)) {
      case LinkStatus::Open: return "OPEN";
      case LinkStatus::Closed: return "CLOSED";
      default: return "ACTIVE";
    }
  }

  // Control times are read as hours and truncated to whole seconds, so
  // "h:mm:ss" may come back a second short (0.1 + 0.2 is not 0.3): then
  // decimal hours a little past the second are written instead.
  static std::string control_time(double seconds, bool clock) {
    const std::string text = clock ? inp::format_clocktime(seconds) : inp::format_duration(seconds);
    const auto space = text.find(' ');
    const std::string value = text.substr(0, space), unit = space == std::string::npos ? "" : text.substr(space + 1);
    auto back = [](const std::string &v, const std::string &u) {
      auto h = parse_file_hours(v, u);
      return h ? std::floor(3600.0 * *h) : -1.0;
    };
    if (back(value, unit) == seconds) return text;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.12g", (seconds + 0.25) / 3600.0);
    return back(buf, "") == seconds ? buf : text;
  }

  void controls() {
    header("CONTROLS");
    for (const Control &c : m_.controls) {
      out_ << " LINK " << link_id(c.link) << " " << action_text(c.link, c.status, c.setting);
      switch (c.type) {
        case Control::Type::LowLevel: case Control::Type::HighLevel: {
          const Node &n = m_.nodes[c.node];
          out_ << " IF NODE " << id(n.id) << (c.type == Control::Type::LowLevel ? " BELOW " : " ABOVE ")
               << (n.kind == NodeKind::Junction ? Pres(c.grade) : L(c.grade));
          break;
        }
        case Control::Type::Timer:
          out_ << " AT TIME " << control_time(c.time, false);
          break;
        case Control::Type::TimeOfDay:
          out_ << " AT CLOCKTIME " << control_time(c.time, true);
          break;
      }
      out_ << (c.enabled ? "" : " DISABLED") << "\n";
    }
  }

  std::string premise_text(const RulePremise &p) const {
    using P = RulePremise;
    static const char *logic[] = {"IF", "AND", "OR"};
    static const char *objects[] = {"NODE", "TANK", "JUNCTION", "RESERVOIR", "LINK", "PIPE", "PUMP", "VALVE", "SYSTEM"};
    static const char *vars[] = {"DEMAND", "HEAD", "GRADE", "LEVEL", "PRESSURE", "FLOW", "STATUS",
                                 "SETTING", "POWER", "TIME", "CLOCKTIME", "FILLTIME", "DRAINTIME"};
    static const char *rels[] = {"=", "<>", "<=", ">=", "<", ">", "IS", "NOT", "BELOW", "ABOVE"};
    std::string s = std::string(logic[static_cast<int>(p.logic)]) + " " + objects[static_cast<int>(p.object)];
    if (p.object != P::Object::System) {
      const bool node = p.object <= P::Object::Reservoir;
      s += ' ';
      s += node ? node_id(p.index) : link_id(p.index);
    }
    s += std::string(" ") + vars[static_cast<int>(p.variable)] + " " + rels[static_cast<int>(p.relation)] + " ";
    if (p.variable == P::Variable::Status) {
      s += p.status == LinkStatus::Open ? "OPEN" : p.status == LinkStatus::Closed ? "CLOSED" : "ACTIVE";
      return s;
    }
    const double v = p.value;
    switch (p.variable) {
      case P::Variable::Demand: case P::Variable::Flow: return s + Q(v);
      case P::Variable::Head: case P::Variable::Grade: case P::Variable::Level: return s + L(v);
      case P::Variable::Pressure: return s + Pres(v);
      case P::Variable::Power: return s + exact(v, units::power(us_), units::power_to_si(us_));
      case P::Variable::Setting:
        if (p.index != kNone && p.object != P::Object::System && p.object >= P::Object::Link)
          return s + setting_text(m_.links[p.index].kind, v);
        break;
      case P::Variable::ClockTime: return s + inp::format_clocktime(v);
      case P::Variable::Time: return s + inp::format_duration(v);
      case P::Variable::FillTime: case P::Variable::DrainTime: return s + exact(v, 1.0 / 3600.0, 3600.0);  // hours
      default: break;
    }
    return s + num(v);
  }

  void rules() {
    header("RULES");
    for (const Rule &r : m_.rules) {
      out_ << "RULE " << id(r.id) << "\n";
      for (const RulePremise &p : r.premises) out_ << premise_text(p) << "\n";
      bool first = true;
      for (const RuleAction &a : r.then_actions) {
        out_ << (first ? "THEN" : "AND") << " LINK " << link_id(a.link)
             << (a.setting ? " SETTING IS " : " STATUS IS ") << action_text(a.link, a.status, a.setting) << "\n";
        first = false;
      }
      first = true;
      for (const RuleAction &a : r.else_actions) {
        out_ << (first ? "ELSE" : "AND") << " LINK " << link_id(a.link)
             << (a.setting ? " SETTING IS " : " STATUS IS ") << action_text(a.link, a.status, a.setting) << "\n";
        first = false;
      }
      if (r.priority != 0) out_ << "PRIORITY " << num(r.priority) << "\n";
      if (!r.enabled) out_ << "DISABLED\n";
      out_ << "\n";
    }
  }

  void energy() {
    header("ENERGY");
    const Energy &e = m_.energy;
    out_ << " GLOBAL EFFICIENCY\t" << num(e.global_efficiency) << "\n";
    out_ << " GLOBAL PRICE\t" << num(e.global_price) << "\n";
    if (e.global_price_pattern != kNone) out_ << " GLOBAL PATTERN\t" << pattern_id(e.global_price_pattern) << "\n";
    out_ << " DEMAND CHARGE\t" << num(e.demand_charge) << "\n";
    for (const Link &l : m_.links) {
      if (l.kind != LinkKind::Pump) continue;
      const Pump &p = m_.pumps[l.pump];
      if (p.efficiency_curve != kNone) out_ << " PUMP\t" << id(l.id) << "\tEFFIC\t" << curve_id(p.efficiency_curve) << "\n";
      if (p.energy_price) out_ << " PUMP\t" << id(l.id) << "\tPRICE\t" << num(*p.energy_price) << "\n";
      if (p.price_pattern != kNone) out_ << " PUMP\t" << id(l.id) << "\tPATTERN\t" << pattern_id(p.price_pattern) << "\n";
    }
  }

  void emitters() {
    header("EMITTERS");
    const double f = units::emitter(m_);
    for (const Node &n : m_.nodes)
      if (n.emitter_coeff > 0) out_ << " " << id(n.id) << "\t" << exact(n.emitter_coeff, f, 1.0 / f) << "\n";
  }

  // Only when some pipe leaks: not every reader knows the section.
  void leakage() {
    bool any = false;
    for (const Link &l : m_.links) any = any || l.leak_area > 0 || l.leak_expansion > 0;
    if (!any) return;
    header("LEAKAGE");
    for (const Link &l : m_.links)
      if (l.leak_area > 0 || l.leak_expansion > 0)
        out_ << " " << id(l.id) << "\t" << num(l.leak_area) << "\t" << num(l.leak_expansion) << "\n";
  }

  void quality() {
    header("QUALITY");
    for (const Node &n : m_.nodes)
      if (n.initial_quality != 0) out_ << " " << id(n.id) << "\t" << num(n.initial_quality) << "\n";
  }

  void sources() {
    header("SOURCES");
    static const char *kinds[] = {"CONCEN", "MASS", "SETPOINT", "FLOWPACED"};
    for (const Node &n : m_.nodes)
      if (n.source)
        out_ << " " << id(n.id) << "\t" << kinds[static_cast<int>(n.source->kind)] << "\t" << num(n.source->strength) << "\t"
             << pattern_id(n.source->pattern) << "\n";
  }

  void reactions() {
    header("REACTIONS");
    const Reactions &r = m_.reactions;
    out_ << " ORDER BULK\t" << num(r.bulk_order) << "\n ORDER WALL\t" << num(r.wall_order) << "\n ORDER TANK\t"
         << num(r.tank_order) << "\n GLOBAL BULK\t" << num(r.global_bulk) << "\n GLOBAL WALL\t" << num(r.global_wall)
         << "\n LIMITING POTENTIAL\t" << num(r.limiting_potential) << "\n ROUGHNESS CORRELATION\t"
         << num(r.roughness_correlation) << "\n";
    for (const Link &l : m_.links) {
      if (l.bulk_coeff) out_ << " BULK\t" << id(l.id) << "\t" << num(*l.bulk_coeff) << "\n";
      if (l.wall_coeff) out_ << " WALL\t" << id(l.id) << "\t" << num(*l.wall_coeff) << "\n";
    }
    for (const Tank &t : m_.tanks)
      if (t.bulk_coeff) out_ << " TANK\t" << node_id(t.node) << "\t" << num(*t.bulk_coeff) << "\n";
  }

  void mixing() {
    header("MIXING");
    static const char *models[] = {"MIXED", "2COMP", "FIFO", "LIFO"};
    for (const Tank &t : m_.tanks) {
      if (t.reservoir || (t.mixing == MixModel::Mixed && t.mix_fraction == 1.0)) continue;
      out_ << " " << node_id(t.node) << "\t" << models[static_cast<int>(t.mixing)] << "\t" << num(t.mix_fraction)
           << "\n";
    }
  }

  void times() {
    header("TIMES");
    const Times &t = m_.times;
    // Durations are whole seconds: h:mm:ss loses nothing and every reader takes it.
    auto sec = [](double v) { return inp::format_duration(v); };
    out_ << " DURATION\t" << sec(t.duration) << "\n HYDRAULIC TIMESTEP\t" << sec(t.hydraulic_step)
         << "\n QUALITY TIMESTEP\t" << sec(t.quality_step) << "\n RULE TIMESTEP\t" << sec(t.rule_step)
         << "\n PATTERN TIMESTEP\t" << sec(t.pattern_step) << "\n PATTERN START\t" << sec(t.pattern_start)
         << "\n REPORT TIMESTEP\t" << sec(t.report_step) << "\n REPORT START\t" << sec(t.report_start)
         << "\n START CLOCKTIME\t" << inp::format_clocktime(t.start_clocktime) << "\n STATISTIC\t"
         << (t.statistic == "AVERAGE" ? "AVERAGED" : t.statistic)  // the long form reads everywhere
         << "\n";
  }

  void report() { verbatim_body("REPORT", m_.report_lines); }

  void options() {
    header("OPTIONS");
    const Options &o = m_.options;
    out_ << " UNITS\t" << units::flow_name(o.flow_units) << "\n";
    if (!o.pressure_units.empty()) out_ << " PRESSURE\t" << o.pressure_units << "\n";
    out_ << " HEADLOSS\t" << headloss_names()[static_cast<int>(o.headloss)] << "\n";
    if (!o.hydraulics_mode.empty()) out_ << " HYDRAULICS\t" << o.hydraulics_mode << " " << id(o.hydraulics_file) << "\n";
    out_ << " SPECIFIC GRAVITY\t" << num(o.specific_gravity) << "\n VISCOSITY\t" << num(o.viscosity)
         << "\n TRIALS\t" << o.trials << "\n ACCURACY\t" << num(o.accuracy) << "\n CHECKFREQ\t" << o.check_freq
         << "\n MAXCHECK\t" << o.max_check << "\n DAMPLIMIT\t" << num(o.damp_limit) << "\n";
    if (o.head_error > 0) out_ << " HEADERROR\t" << L((o.head_error)) << "\n";
    if (o.flow_change > 0) out_ << " FLOWCHANGE\t" << Q((o.flow_change)) << "\n";
    if (o.unbalanced_continue < 0) out_ << " UNBALANCED\tSTOP\n";
    else out_ << " UNBALANCED\tCONTINUE " << o.unbalanced_continue << "\n";
    // The default pattern only when it exists: a dangling one means none.
    if (o.default_pattern != kNone) out_ << " PATTERN\t" << id(o.default_pattern_id) << "\n";
    out_ << " DEMAND MULTIPLIER\t" << num(o.demand_multiplier)
         << "\n DEMAND MODEL\t" << demand_model_names()[static_cast<int>(o.demand_model)]
         << "\n MINIMUM PRESSURE\t" << Pres((o.minimum_pressure)) << "\n REQUIRED PRESSURE\t"
         << Pres((o.required_pressure)) << "\n PRESSURE EXPONENT\t" << num(o.pressure_exponent)
         << "\n EMITTER EXPONENT\t" << num(o.emitter_exponent) << "\n";
    if (!o.emitter_backflow) out_ << " BACKFLOW ALLOWED\tNO\n";
    switch (o.quality) {
      case QualityKind::None: out_ << " QUALITY\tNONE\n"; break;
      case QualityKind::Age: out_ << " QUALITY\tAGE\n"; break;
      case QualityKind::Trace: out_ << " QUALITY\tTRACE " << id(o.trace_node) << "\n"; break;
      case QualityKind::Chemical:
        // Quoted when it holds blanks or is empty, the name reads back as it is.
        out_ << " QUALITY\t" << id(o.quality_name);
        if (!o.quality_units.empty()) out_ << " " << id(o.quality_units);
        out_ << "\n";
        break;
    }
    out_ << " DIFFUSIVITY\t" << num(o.diffusivity) << "\n TOLERANCE\t" << num(o.quality_tolerance) << "\n";
    if (!o.map_file.empty()) out_ << " MAP\t" << id(o.map_file) << "\n";
    for (const std::string &line : o.kept_option_lines) out_ << line << "\n";
  }

  void coordinates() {
    header("COORDINATES");
    for (const Node &n : m_.nodes)
      if (n.has_coords) out_ << " " << id(n.id) << "\t" << num(n.x) << "\t" << num(n.y) << "\n";
  }

  void vertices() {
    header("VERTICES");
    for (const Link &l : m_.links)
      for (auto [x, y] : l.vertices) out_ << " " << id(l.id) << "\t" << num(x) << "\t" << num(y) << "\n";
  }

  void verbatim(const char *name, const std::vector<std::string> &lines) { verbatim_body(name, lines); }
  void verbatim_body(const char *name, const std::vector<std::string> &lines) {
    header(name);
    for (const std::string &l : lines) out_ << l << "\n";
  }
};

}  // namespace

std::string inp_text(const Model &model) { return Writer(model).text(); }

}  // namespace orv
