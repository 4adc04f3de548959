// [JUNCTIONS], [RESERVOIRS] and [TANKS], [DEMANDS], [EMITTERS], [TAGS], [COORDINATES].
#include "io/inp_sections.hpp"

namespace orv::inp {

namespace {

int add_node(ReadState &s, const Line &l, NodeKind kind) {
  Model &m = s.m;
  const std::string &id = l.tokens[0];
  if (m.find_node(id) != kNone) s.fail("duplicate node identifier " + id);
  s.check_id(id);
  int i = static_cast<int>(m.nodes.size());
  Node n;
  n.id = id;
  n.kind = kind;
  n.comment = l.comment;
  m.nodes.push_back(std::move(n));
  m.node_index.emplace(id, i);
  s.demands_from_section.push_back(false);
  s.node_line.push_back(l.number);
  return i;
}

// Adds the tank or reservoir at the node of the line.
void add_tank(ReadState &s, const Line &l, Tank t, double elevation) {
  const int i = add_node(s, l, t.reservoir ? NodeKind::Reservoir : NodeKind::Tank);
  s.m.nodes[i].elevation = elevation * s.len_si();
  t.node = i;
  s.m.nodes[i].tank = static_cast<int>(s.m.tanks.size());
  s.m.tanks.push_back(t);
}

}  // namespace

void read_junction(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  int i = add_node(s, l, NodeKind::Junction);
  Node &n = s.m.nodes[i];
  if (l.tokens.size() > 1) n.elevation = s.number(l, 1, "elevation") * s.len_si();
  else s.warn("junction " + l.tokens[0] + " without elevation: 0 is used");
  if (l.tokens.size() > 2) {
    Demand d;
    d.base = s.number(l, 2, "demand") * s.flow_si();
    if (l.tokens.size() > 3) d.pattern = s.pattern_ref(l.tokens[3]);
    n.demands.push_back(d);
  }
}

// Reservoirs and tanks share one form: up to three fields make a
// reservoir, more a tank, whichever section the line is in.
void read_tank(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 2, "reservoir or tank (id, elevation or head)");
  const std::size_t n = l.tokens.size();
  if (n > 3 && n < 6) s.fail("too few fields for tank (id, elevation, initial, minimum and maximum level, diameter)");
  const double elevation = s.number(l, 1, "elevation");
  Tank t;
  if (n <= 3) {
    t.reservoir = true;
    if (n == 3) t.head_pattern = s.pattern_ref(l.tokens[2]);
    add_tank(s, l, t, elevation);
    return;
  }
  const double initial = s.non_negative(l, 2, "initial level"), minimum = s.non_negative(l, 3, "minimum level");
  const double maximum = s.non_negative(l, 4, "maximum level"), diameter = s.non_negative(l, 5, "diameter");
  const double min_volume = n >= 7 ? s.non_negative(l, 6, "minimum volume") : 0.0;
  if (n >= 8 && !l.tokens[7].empty() && l.tokens[7].front() != '*') {
    t.volume_curve = s.curve_ref(l.tokens[7]);
    s.use_curve(t.volume_curve, CurveKind::Volume);
  }
  if (n >= 9) {
    if (match(l.tokens[8], "YES")) t.overflow = true;
    else if (match(l.tokens[8], "NO")) t.overflow = false;
    else s.fail("overflow flag must be YES or NO");
  }
  if (diameter == 0) {
    // The reference engine makes a tank without diameter a reservoir,
    // at the head of its initial level, volume curve or not.
    s.warn("tank " + l.tokens[0] + " has no diameter: it is a reservoir at its initial level");
    Tank reservoir;
    reservoir.reservoir = true;
    add_tank(s, l, reservoir, elevation + initial);
    return;
  }
  if (maximum < minimum) s.fail("maximum level below minimum level");
  if (initial < minimum || initial > maximum) s.fail("initial level outside the minimum and maximum levels");
  if (t.volume_curve != kNone) {
    const RawCurve &c = s.raw_curves[t.volume_curve];
    constexpr double kTiny = 1e-6;
    if (minimum < c.x.front() - kTiny || maximum > c.x.back() + kTiny)
      s.fail("tank levels outside the volume curve " + s.m.curves[t.volume_curve].id);
  }
  t.initial_level = initial * s.len_si();
  t.min_level = minimum * s.len_si();
  t.max_level = maximum * s.len_si();
  t.diameter = diameter * s.len_si();
  t.min_volume = min_volume * s.vol_si();
  add_tank(s, l, t, elevation);
}

void read_tag(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 3, "tag (NODE|LINK, id, tag)");
  if (match(l.tokens[0], "NODE")) s.m.nodes[s.node_ref(l.tokens[1])].tag = l.tokens[2];
  else if (match(l.tokens[0], "LINK")) s.m.links[s.link_ref(l.tokens[1])].tag = l.tokens[2];
  else s.warn("tag of " + l.tokens[0] + " skipped: tags are for NODE or LINK");
}

void read_demand(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 2, "demand (junction, base demand)");
  const double base = s.number(l, 1, "base demand");
  int i = s.node_ref(l.tokens[0]);
  Node &n = s.m.nodes[i];
  if (n.kind != NodeKind::Junction) {
    s.warn("demand of " + l.tokens[0] + ", which is not a junction, skipped");
    return;
  }
  Demand d;
  d.base = base * s.flow_si();
  if (l.tokens.size() > 2) d.pattern = s.pattern_ref(l.tokens[2]);
  d.category = l.comment;
  // The first DEMANDS entry of a junction replaces the demand of its
  // JUNCTIONS line (keeping that line's category when it has none).
  if (!s.demands_from_section[i]) {
    s.demands_from_section[i] = true;
    if (!n.demands.empty()) {
      if (d.category.empty()) d.category = n.demands.front().category;
      n.demands.front() = std::move(d);
      return;
    }
  }
  n.demands.push_back(std::move(d));
}

void read_emitter(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 2, "emitter (junction, coefficient)");
  Node &n = s.m.nodes[s.node_ref(l.tokens[0])];
  if (n.kind != NodeKind::Junction) {
    s.warn("emitter on " + l.tokens[0] + ", which is not a junction, skipped");
    return;
  }
  n.emitter_coeff = s.non_negative(l, 1, "emitter coefficient");  // converted once the units are known
}

void read_coordinates(ReadState &s, const SectionLine &sl) {
  if (const auto p = s.map_point(sl.line, "coordinates", true)) {
    Node &n = s.m.nodes[p->element];
    n.x = p->x;
    n.y = p->y;
    n.has_coords = true;
  }
}

}  // namespace orv::inp
