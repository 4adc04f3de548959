// [QUALITY], [SOURCES], [REACTIONS], [MIXING].
#include <optional>

#include "io/inp_sections.hpp"

namespace orv::inp {

void read_initial_quality(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  if (s.m.nodes.empty()) s.fail("initial quality before any node");
  if (l.tokens.size() < 2) {
    s.warn("initial quality without value skipped");
    return;
  }
  if (l.tokens.size() == 2) {
    const double c = s.non_negative(l, 1, "initial quality");
    s.m.nodes[s.node_ref(l.tokens[0])].initial_quality = c;
  } else {
    const double c = s.non_negative(l, 2, "initial quality");
    for (Node &n : s.m.nodes)
      if (in_range(n.id, l.tokens[0], l.tokens[1])) n.initial_quality = c;
  }
}

void read_source(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  s.need(l, 2, "source (node, type, strength)");
  Node &n = s.m.nodes[s.node_ref(l.tokens[0])];
  Source src;
  std::size_t i = 2;
  const std::string &type = l.tokens[1];
  if (match(type, "CONCEN")) src.kind = SourceKind::Concentration;
  else if (match(type, "MASS")) src.kind = SourceKind::Mass;
  else if (match(type, "SETPOINT")) src.kind = SourceKind::Setpoint;
  else if (match(type, "FLOWPACED")) src.kind = SourceKind::FlowPaced;
  else i = 1;  // the old form without a type: a concentration
  if (i >= l.tokens.size()) s.fail("too few fields for source (node, type, strength)");
  auto v = parse_number(l.tokens[i]);
  if (!v) s.fail(i == 1 ? "unknown source type " + type : "invalid number for source strength: " + l.tokens[i]);
  src.strength = *v;
  if (l.tokens.size() > i + 1 && !l.tokens[i + 1].empty() && l.tokens[i + 1] != "*")
    src.pattern = s.pattern_ref(l.tokens[i + 1]);
  n.source = src;
}

void read_reaction(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Model &m = s.m;
  Reactions &r = m.reactions;
  const std::size_t n = l.tokens.size();
  if (n < 3) {
    s.warn("reaction line with fewer than three fields skipped");
    return;
  }
  const std::string &k0 = l.tokens[0], &k1 = l.tokens[1];
  const double v = s.number(l, n - 1, "reaction value");
  if (match(k0, "ORDER")) {
    if (match(k1, "BULK")) r.bulk_order = v;
    else if (match(k1, "TANK")) r.tank_order = v;
    else if (match(k1, "WALL")) {
      if (v != 0.0 && v != 1.0) s.fail("wall reaction order must be 0 or 1");
      r.wall_order = v;
    } else s.fail("unknown reaction order " + k1);
  } else if (match(k0, "ROUG")) {
    r.roughness_correlation = v;
  } else if (match(k0, "LIMIT")) {
    r.limiting_potential = v;
  } else if (match(k0, "GLOB")) {
    if (match(k1, "BULK")) r.global_bulk = v;
    else if (match(k1, "WALL")) r.global_wall = v;
    else s.fail("unknown global reaction " + k1);
  } else if (match(k0, "BULK") || match(k0, "WALL")) {
    const bool bulk = match(k0, "BULK");
    if (n == 3) {
      int i = s.link_or_skip(k1, "reaction coefficient");
      if (i != kNone) (bulk ? m.links[i].bulk_coeff : m.links[i].wall_coeff) = v;
    } else {
      for (Link &link : m.links)
        if (in_range(link.id, k1, l.tokens[2])) (bulk ? link.bulk_coeff : link.wall_coeff) = v;
    }
  } else if (match(k0, "TANK")) {
    if (n == 3) {
      int i = m.find_node(k1);
      if (i == kNone || m.nodes[i].kind == NodeKind::Junction) s.warn("tank reaction of " + k1 + ", which is not a tank, skipped");
      else m.tanks[m.nodes[i].tank].bulk_coeff = v;
    } else {
      for (Tank &t : m.tanks)
        if (in_range(m.nodes[t.node].id, k1, l.tokens[2])) t.bulk_coeff = v;
    }
  } else {
    s.fail("unknown reaction keyword " + k0);
  }
}

void read_mixing(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  if (s.m.nodes.empty()) s.fail("mixing before any node");
  if (l.tokens.size() < 2) {
    s.warn("mixing without model skipped");
    return;
  }
  Node &n = s.m.nodes[s.node_ref(l.tokens[0])];
  static const std::pair<const char *, MixModel> models[] = {
      {"MIXED", MixModel::Mixed}, {"2COMP", MixModel::TwoComp}, {"FIFO", MixModel::FIFO}, {"LIFO", MixModel::LIFO}};
  std::optional<MixModel> model;
  for (auto &[name, mm] : models)
    if (!model && match(l.tokens[1], name)) model = mm;
  if (n.kind == NodeKind::Junction) {
    s.warn("mixing of " + l.tokens[0] + ", which is not a tank, skipped");
    return;
  }
  if (!model) s.fail("unknown mixing model " + l.tokens[1]);
  double fraction = 1.0;
  if (*model == MixModel::TwoComp && l.tokens.size() == 3) fraction = s.number(l, 2, "mixing fraction");
  if (fraction == 0.0) fraction = 1.0;
  if (n.kind == NodeKind::Reservoir) {
    s.warn("mixing of reservoir " + l.tokens[0] + " skipped");
    return;
  }
  Tank &t = s.m.tanks[n.tank];
  t.mixing = *model;
  t.mix_fraction = fraction;
}

}  // namespace orv::inp
