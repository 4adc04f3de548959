// [PIPES], [PUMPS], [VALVES], [STATUS], [LEAKAGE], [VERTICES].
#include <optional>

#include "io/inp_sections.hpp"
#include "model/units.hpp"

namespace orv::inp {

namespace {

int add_link(ReadState &s, const Line &l, LinkKind kind) {
  Model &m = s.m;
  const std::string &id = l.tokens[0];
  const int from = s.node_ref(l.tokens[1]), to = s.node_ref(l.tokens[2]);
  if (from == to) s.fail("link " + id + " connects a node to itself");
  if (m.find_link(id) != kNone) s.fail("duplicate link identifier " + id);
  s.check_id(id);
  Link link;
  link.id = id;
  link.kind = kind;
  link.from = from;
  link.to = to;
  link.comment = l.comment;
  int i = static_cast<int>(m.links.size());
  m.links.push_back(std::move(link));
  m.link_index.emplace(id, i);
  s.link_line.push_back(l.number);
  return i;
}

// Pressure and flow control valves may not touch a fixed-head node nor
// sit against each other in ways that leave their heads undetermined.
void check_valve_arrangement(const ReadState &s, LinkKind kind, const std::string &name, int j1, int j2) {
  if (kind != LinkKind::PRV && kind != LinkKind::PSV && kind != LinkKind::FCV) return;
  if (s.m.nodes[j1].kind != NodeKind::Junction || s.m.nodes[j2].kind != NodeKind::Junction)
    s.fail("a " + name + " cannot be connected to a tank or reservoir");
  for (const Link &other : s.m.links) {
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
    if (bad) s.fail("illegal valve arrangement with valve " + other.id);
  }
}

void set_status(ReadState &s, Link &link, std::optional<LinkStatus> st, double value) {
  if (link.kind == LinkKind::Pipe || link.kind == LinkKind::GPV) {
    if (st) link.initial_status = *st;
    else if (link.kind == LinkKind::Pipe) s.warn("a pipe takes no setting: " + link.id + " unchanged");
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
    link.setting = s.valve_setting_si(link.kind, value);
    link.initial_status = LinkStatus::Active;
    link.setting_given = true;
  } else {
    link.initial_status = *st;
  }
}

}  // namespace

void read_pipe(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  if (l.tokens.size() < 3) {
    s.warn("pipe line with fewer than three fields skipped");
    return;
  }
  int i = add_link(s, l, LinkKind::Pipe);
  Link &p = s.m.links[i];
  const std::size_t n = l.tokens.size();
  const bool us = s.us();
  const HeadlossFormula formula = s.m.options.headloss;
  // The reference engine's defaults for missing fields.
  double length = us ? 330.0 : 100.0, diameter = us ? 10.0 : 254.0;
  double roughness = formula == HeadlossFormula::HazenWilliams ? 130.0
                     : formula == HeadlossFormula::DarcyWeisbach ? 0.0005
                                                                 : 0.01;
  if (n < 6) s.warn("pipe " + p.id + " lacks length, diameter or roughness: defaults are used");
  if (n > 3) length = s.positive_dimension(l, 3, "length", "pipe length must be positive");
  if (n > 4) diameter = s.positive_dimension(l, 4, "diameter", "pipe diameter must be positive");
  if (n > 5) roughness = s.positive_dimension(l, 5, "roughness", "pipe roughness must be positive");
  p.length = length * s.len_si();
  p.diameter = diameter * s.diam_si();
  p.roughness = roughness;
  if (formula == HeadlossFormula::DarcyWeisbach) p.roughness *= us ? units::kFoot / 1000.0 : 0.001;
  auto status = [&](const std::string &word) {
    if (match(word, "CV")) p.kind = LinkKind::CVPipe;
    else if (match(word, "CLOSED")) p.initial_status = LinkStatus::Closed;
    else if (match(word, "OPEN")) p.initial_status = LinkStatus::Open;
    else return false;
    return true;
  };
  if (n == 7 && !status(l.tokens[6])) p.minor_loss = s.non_negative(l, 6, "minor loss");
  if (n > 7) {
    p.minor_loss = s.non_negative(l, 6, "minor loss");
    if (!status(l.tokens[7])) s.fail("pipe status must be OPEN, CLOSED or CV");
  }
}

void read_pump(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  if (l.tokens.size() < 3) {
    s.warn("pump line with fewer than three fields skipped");
    return;
  }
  // The link and its pump record go in together, so that a bad line leaves
  // no pump link without one for the lines below.
  const int i = add_link(s, l, LinkKind::Pump);
  s.m.links[i].pump = static_cast<int>(s.m.pumps.size());
  Pump &pump = s.m.pumps.emplace_back();
  const std::size_t n = l.tokens.size();
  std::size_t k = 3;
  for (; k + 1 < n; k += 2) {
    const std::string &key = l.tokens[k];
    if (match(key, "POWER")) {
      pump.power = s.positive(l, k + 1, "pump power") * s.power_si();
    } else if (match(key, "HEAD")) {
      pump.head_curve = s.curve_ref(l.tokens[k + 1]);
      s.use_curve(pump.head_curve, CurveKind::Pump);
    } else if (match(key, "PATT")) {
      pump.speed_pattern = s.pattern_ref(l.tokens[k + 1]);
    } else if (match(key, "SPEE")) {
      pump.speed = s.non_negative(l, k + 1, "speed");
    } else {
      s.fail("unknown pump keyword " + key);
    }
  }
  if (k < n) s.warn("pump keyword " + l.tokens[k] + " without value skipped");
  if (pump.head_curve != kNone) pump.curve_kind = PumpCurveKind::HeadCurve;
  else if (pump.power > 0) pump.curve_kind = PumpCurveKind::ConstantPower;
  else s.fail("pump " + l.tokens[0] + " has neither head curve nor power");
  Link &link = s.m.links[i];
  link.setting = pump.speed;
  if (pump.speed == 0) link.initial_status = LinkStatus::Closed;
}

void read_valve(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  if (l.tokens.size() < 5) {
    s.warn("valve line with fewer than five fields skipped");
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
  else if (match(type, "PCV")) s.fail("positional control valves (PCV) are not supported");
  else s.fail("unknown valve type " + type);
  const int from = s.node_ref(l.tokens[1]), to = s.node_ref(l.tokens[2]);
  check_valve_arrangement(s, kind, upper(type).substr(0, 3), from, to);
  int i = add_link(s, l, kind);
  Link &v = s.m.links[i];
  v.diameter = s.positive_dimension(l, 3, "diameter", "valve diameter must be positive") * s.diam_si();
  if (l.tokens.size() > 5) {
    if (kind == LinkKind::GPV) {
      int c = s.curve_ref(l.tokens[5]);
      s.use_curve(c, CurveKind::Headloss);
      v.setting = c;
    } else {
      v.setting = s.valve_setting_si(kind, s.number(l, 5, "setting"));
    }
  } else if (kind == LinkKind::GPV) {
    s.fail("a GPV needs its head-loss curve");
  } else {
    s.warn("valve " + v.id + " without setting: 0 is used");
  }
  if (l.tokens.size() > 6) v.minor_loss = s.non_negative(l, 6, "minor loss");
  v.initial_status = LinkStatus::Active;
}

void read_status(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 2, "status (link, value)");
  const std::string &last = l.tokens.back();
  std::optional<LinkStatus> st;
  double value = 0;
  if (match(last, "OPEN")) st = LinkStatus::Open;
  else if (match(last, "CLOSED")) st = LinkStatus::Closed;
  else {
    value = s.number(l, l.tokens.size() - 1, "status setting");
    if (value < 0) s.fail("negative link setting " + last);
  }
  if (l.tokens.size() == 2) {
    Link &link = s.m.links[s.link_ref(l.tokens[0])];
    if (link.kind == LinkKind::CVPipe) s.fail("a check valve cannot be closed or opened by [STATUS]");
    if (link.kind == LinkKind::GPV && !st) s.fail("a GPV setting is its curve");
    set_status(s, link, st, value);
  } else {
    for (Link &link : s.m.links)
      if (in_range(link.id, l.tokens[0], l.tokens[1]) && link.kind != LinkKind::CVPipe) set_status(s, link, st, value);
  }
}

void read_leakage(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 3, "leakage (pipe, area, expansion)");
  Link &link = s.m.links[s.link_ref(l.tokens[0])];
  if (link.kind != LinkKind::Pipe && link.kind != LinkKind::CVPipe) return;
  link.leak_area = s.non_negative(l, 1, "leak area");
  link.leak_expansion = s.non_negative(l, 2, "leak expansion");
  if (!s.settings.leakage_warned && (link.leak_area > 0 || link.leak_expansion > 0)) {
    s.warn("pipe leakage is kept but not simulated");
    s.settings.leakage_warned = true;
  }
}

void read_vertex(ReadState &s, const SectionLine &sl) {
  if (const auto p = s.map_point(sl.line, "vertex", false)) s.m.links[p->element].vertices.emplace_back(p->x, p->y);
}

}  // namespace orv::inp
