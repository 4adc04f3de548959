// [CONTROLS] and [RULES].
#include <cmath>
#include <optional>

#include "io/inp_sections.hpp"
#include "model/time_span.hpp"
#include "model/units.hpp"

namespace orv::inp {

namespace {

// What a control or a rule action does to its link: a status or a setting.
struct LinkAction {
  int link = kNone;
  std::optional<LinkStatus> status;
  std::optional<double> setting;
};

// The link `id` given the status word or setting `tok`.
LinkAction link_action(const ReadState &s, const std::string &id, const std::string &tok, bool rule) {
  LinkAction a;
  a.link = s.link_ref(id);
  const Link &link = s.m.links[a.link];
  if (link.kind == LinkKind::CVPipe) s.fail("a check valve cannot be controlled");
  if (match(tok, "OPEN")) a.status = LinkStatus::Open;
  else if (match(tok, "CLOSED")) a.status = LinkStatus::Closed;
  else if (rule && match(tok, "ACTIVE")) a.status = LinkStatus::Active;
  if (a.status) return a;
  if (link.kind == LinkKind::GPV) s.fail("a GPV cannot take a numeric setting");
  auto v = parse_number(tok);
  if (!v) s.fail("invalid link status or setting " + tok);
  if (*v < 0) s.fail("negative link setting " + tok);
  // A number given to a pipe opens (or, when 0, closes) it.
  if (link.kind == LinkKind::Pipe) a.status = *v == 0 ? LinkStatus::Closed : LinkStatus::Open;
  else if (link.kind == LinkKind::Pump) a.setting = *v;
  else a.setting = s.valve_setting_si(link.kind, *v);
  return a;
}

RulePremise premise(const ReadState &s, const Line &l, RulePremise::Logic logic) {
  using P = RulePremise;
  P p;
  p.logic = logic;
  const std::size_t n = l.tokens.size();
  if (n != 5 && n != 6) s.fail("a rule condition has five or six fields");
  static const std::pair<const char *, P::Variable> vars[] = {
      {"DEMAND", P::Variable::Demand},     {"HEAD", P::Variable::Head},         {"GRADE", P::Variable::Grade},
      {"LEVEL", P::Variable::Level},       {"PRESSURE", P::Variable::Pressure}, {"FLOW", P::Variable::Flow},
      {"STATUS", P::Variable::Status},     {"SETTING", P::Variable::Setting},   {"POWER", P::Variable::Power},
      {"TIME", P::Variable::Time},         {"CLOCKTIME", P::Variable::ClockTime},
      {"FILLTIME", P::Variable::FillTime}, {"DRAINTIME", P::Variable::DrainTime}};
  auto variable = [&](const std::string &tok) -> P::Variable {
    for (auto &[name, v] : vars)
      if (match(tok, name)) return v;
    s.fail("unknown rule variable " + tok);
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
  if (!found) s.fail("unknown rule object " + l.tokens[1]);
  std::size_t ri;  // index of the relation
  if (p.object == P::Object::System) {
    p.variable = variable(l.tokens[2]);
    if (p.variable != P::Variable::Demand && p.variable != P::Variable::Time && p.variable != P::Variable::ClockTime)
      s.fail("SYSTEM conditions are on DEMAND, TIME or CLOCKTIME");
    ri = 3;
  } else {
    p.variable = variable(l.tokens[3]);
    const bool is_node = p.object <= P::Object::Reservoir;
    p.index = is_node ? s.node_ref(l.tokens[2]) : s.link_ref(l.tokens[2]);
    using V = P::Variable;
    if (is_node) {
      const V v = p.variable;
      const bool fill_drain = v == V::FillTime || v == V::DrainTime;
      if (fill_drain && s.m.nodes[p.index].kind == NodeKind::Junction) s.fail("FILLTIME and DRAINTIME are for tanks");
      if (!fill_drain && v != V::Demand && v != V::Head && v != V::Grade && v != V::Level && v != V::Pressure)
        s.fail("rule variable " + l.tokens[3] + " does not apply to a node");
    } else if (p.variable != V::Flow && p.variable != V::Status && p.variable != V::Setting) {
      s.fail("rule variable " + l.tokens[3] + " does not apply to a link");
    }
    ri = 4;
  }
  if (ri >= n - 1) s.fail("too few fields for rule condition");
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
  if (!found) s.fail("unknown rule relation " + l.tokens[ri]);
  if (p.variable == P::Variable::Time || p.variable == P::Variable::ClockTime) {
    auto h = parse_file_hours(l.tokens[ri + 1], n > ri + 2 ? l.tokens[ri + 2] : "");
    if (!h || *h < 0) s.fail("invalid rule time " + l.tokens[ri + 1]);
    p.value = *h * 3600.0;
    return p;
  }
  const std::string &value = l.tokens[n - 1];
  if (match(value, "OPEN")) p.status = LinkStatus::Open;
  else if (match(value, "CLOSED")) p.status = LinkStatus::Closed;
  else if (match(value, "ACTIVE")) p.status = LinkStatus::Active;
  if (p.status) {
    if (p.variable != P::Variable::Status) s.fail("rule value " + value + " needs the STATUS variable");
    return p;
  }
  if (p.variable == P::Variable::Status) s.fail("rule status must be OPEN, CLOSED or ACTIVE");
  auto v = parse_number(value);
  if (!v) s.fail("invalid rule value " + value);
  switch (p.variable) {
    case P::Variable::Demand: case P::Variable::Flow: p.value = *v * s.flow_si(); break;
    case P::Variable::Head: case P::Variable::Grade: case P::Variable::Level: p.value = *v * s.len_si(); break;
    case P::Variable::Pressure: p.value = *v * s.pres_si(); break;
    case P::Variable::Power: p.value = *v * s.power_si(); break;
    case P::Variable::FillTime: case P::Variable::DrainTime: p.value = *v * 3600.0; break;
    case P::Variable::Setting: {
      const bool link_obj = p.object >= P::Object::Link && p.object != P::Object::System;
      p.value = link_obj ? s.valve_setting_si(s.m.links[p.index].kind, *v) : *v;
      break;
    }
    default: p.value = *v;
  }
  return p;
}

RuleAction action(const ReadState &s, const Line &l) {
  // THEN|AND|ELSE LINK|PIPE|PUMP|VALVE id STATUS|SETTING IS value; the
  // value alone tells a status from a setting.
  if (l.tokens.size() != 6) s.fail("a rule action has six fields");
  const LinkAction a = link_action(s, l.tokens[2], l.tokens[5], true);
  RuleAction out;
  out.link = a.link;
  out.status = a.status;
  out.setting = a.setting;
  return out;
}

// A RULE line: starts the next rule.
void start_rule(ReadState &s, const Line &l) {
  s.rule.skipping = true;  // until the line proves good
  if (l.tokens.size() != 2) s.fail("a RULE line names the rule and nothing else");
  for (const Rule &r : s.m.rules)
    if (r.id == l.tokens[1]) s.fail("duplicate rule identifier " + l.tokens[1]);
  s.m.rules.push_back({});
  s.m.rules.back().id = l.tokens[1];
  s.rule.part = ReadState::RulePart::None;
  s.rule.skipping = false;
}

}  // namespace

void read_control(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  // LINK id value IF NODE id ABOVE|BELOW x | AT TIME t [unit] | AT CLOCKTIME t [AM|PM], then DISABLED;
  // the words LINK, AT, IF and NODE are not checked.
  s.need(l, 6, "control");
  std::size_t n = l.tokens.size();
  Control c;
  if (match(l.tokens[n - 1], "DISABLED")) {
    c.enabled = false;
    --n;
  }
  const LinkAction a = link_action(s, l.tokens[1], l.tokens[2], false);
  c.link = a.link;
  c.status = a.status;
  c.setting = a.setting;
  const std::string &k4 = l.tokens[4];
  if (match(k4, "TIME") || match(k4, "CLOCKTIME")) {
    c.type = match(k4, "TIME") ? Control::Type::Timer : Control::Type::TimeOfDay;
    auto h = parse_file_hours(l.tokens[5], n >= 7 ? l.tokens[6] : "");
    if (!h || *h < 0) s.fail("invalid control time " + l.tokens[5]);
    // Whole seconds by truncation, as the reference engine counts them.
    c.time = std::floor(3600.0 * *h);
    if (c.type == Control::Type::TimeOfDay) c.time = std::fmod(c.time, units::kSecondsPerDay);
  } else {
    if (n < 8) s.fail("too few fields for control");
    c.node = s.node_ref(l.tokens[5]);
    if (match(l.tokens[6], "BELOW")) c.type = Control::Type::LowLevel;
    else if (match(l.tokens[6], "ABOVE")) c.type = Control::Type::HighLevel;
    else s.fail("control condition must be ABOVE or BELOW");
    double v = s.number(l, 7, "control level");
    c.grade = s.m.nodes[c.node].kind == NodeKind::Junction ? v * s.pres_si() : v * s.len_si();
  }
  s.m.controls.push_back(c);
}

void read_rule(ReadState &s, const SectionLine &sl) {
  using Part = ReadState::RulePart;
  const Line &l = sl.line;
  const std::string &k0 = l.tokens[0];
  if (match(k0, "RULE")) return start_rule(s, l);
  const bool known = match(k0, "IF") || match(k0, "AND") || match(k0, "OR") || match(k0, "THEN") ||
                     match(k0, "ELSE") || match(k0, "PRIO") || match(k0, "DISABLED");
  if (!known) s.fail("unknown rule keyword " + k0);
  if (s.m.rules.empty() && !s.rule.skipping) s.fail("rule clause before any RULE");
  if (s.rule.skipping) throw Consequence{};
  Rule &rule = s.m.rules.back();
  Part &part = s.rule.part;
  if (match(k0, "IF")) {
    if (part != Part::None) s.fail("IF must start a rule");
    part = Part::Premises;
    rule.premises.push_back(premise(s, l, RulePremise::Logic::If));
  } else if (match(k0, "AND")) {
    if (part == Part::Premises) rule.premises.push_back(premise(s, l, RulePremise::Logic::And));
    else if (part == Part::Then) rule.then_actions.push_back(action(s, l));
    else if (part == Part::Else) rule.else_actions.push_back(action(s, l));
    else s.fail("misplaced AND in rule");
  } else if (match(k0, "OR")) {
    if (part != Part::Premises) s.fail("misplaced OR in rule");
    rule.premises.push_back(premise(s, l, RulePremise::Logic::Or));
  } else if (match(k0, "THEN")) {
    if (part != Part::Premises) s.fail("THEN without IF");
    part = Part::Then;
    rule.then_actions.push_back(action(s, l));
  } else if (match(k0, "ELSE")) {
    if (part != Part::Then) s.fail("ELSE without THEN");
    part = Part::Else;
    rule.else_actions.push_back(action(s, l));
  } else if (match(k0, "PRIO")) {
    if (part != Part::Then && part != Part::Else) s.fail("misplaced PRIORITY in rule");
    part = Part::Priority;
    rule.priority = s.number(l, 1, "priority");
  } else {  // DISABLED
    if (part != Part::Then && part != Part::Else && part != Part::Priority) s.fail("misplaced DISABLED in rule");
    rule.enabled = false;
  }
}

void settle_rules(ReadState &s) {
  for (const Rule &r : s.m.rules)
    if (r.premises.empty() || r.then_actions.empty()) s.warn("rule " + r.id + " has no IF or no THEN clause: it does nothing");
}

}  // namespace orv::inp
