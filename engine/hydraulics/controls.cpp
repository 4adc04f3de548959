#include "hydraulics/controls.hpp"

#include <cmath>
#include <vector>

#include "hydraulics/constants.hpp"
#include "model/units.hpp"

namespace orv::hyd {

namespace {

bool same_setting(double a, double b) { return (missing(a) && missing(b)) || a == b; }


double tank_level_volume(const Net &net, int node, double head) {
  const TankData &t = net.tanks[net.nodes[node].tank];
  return tank_volume(net, t, head);
}

double seconds_of_day(double t) { return std::fmod(t, units::kSecondsPerDay); }

}  // namespace

LinkTarget target_for_status(const Net &net, const State &s, int k, LinkStatus wanted) {
  const LinkData &l = net.links[k];
  const bool valve = is_valve(l.kind) && l.kind != LinkKind::GPV;
  switch (wanted) {
    case LinkStatus::Open:
      if (l.kind == LinkKind::Pump) return {LinkState::Open, 1.0};
      return {LinkState::Open, valve ? kMissing : s.setting[k]};
    case LinkStatus::Closed:
      if (l.kind == LinkKind::Pump) return {LinkState::Closed, 0.0};
      return {LinkState::Closed, valve ? kMissing : s.setting[k]};
    case LinkStatus::Active:
    default: {
      double setting = s.setting[k];
      if (valve && missing(setting)) setting = net.model->links[k].setting;
      return {LinkState::Active, setting};
    }
  }
}

LinkTarget target_for_setting(const Net &net, int k, double value) {
  const LinkData &l = net.links[k];
  if (l.kind == LinkKind::Pump) return {value > 0 ? LinkState::Open : LinkState::Closed, value};
  return {LinkState::Active, value};
}

bool differs(const State &s, int k, const LinkTarget &t) {
  return s.status[k] != t.status || !same_setting(s.setting[k], t.setting);
}

bool apply_target(const Net &net, State &s, int k, const LinkTarget &t) {
  if (!differs(s, k, t)) return false;
  // A link keeps its flow when it opens or closes (a closed link's flow is its
  // tiny leakage), except a constant-power pump that reopens: its head c/q has
  // no meaning near zero flow, so it starts again from its design flow.
  const LinkData &l = net.links[k];
  if (l.kind == LinkKind::Pump && l.pump_type == PumpType::ConstantPower && is_closed(s.status[k]) &&
      !is_closed(t.status))
    s.flow[k] = l.q0;
  s.status[k] = t.status;
  s.setting[k] = t.setting;
  return true;
}

double initial_flow(const Net &net, int k, LinkState status, double setting) {
  const LinkData &l = net.links[k];
  if (is_closed(status)) return kQzero;
  if (l.kind == LinkKind::Pump) return l.q0 * (setting > 0 ? setting : 1.0);
  return l.area * kFt;  // 1 ft/s
}

namespace {
LinkTarget control_target(const Net &net, const State &s, const Control &c) {
  if (c.setting) return target_for_setting(net, c.link, *c.setting);
  return target_for_status(net, s, c.link, c.status.value_or(LinkStatus::Open));
}

// Head at which a level/pressure control acts.
double control_grade(const Net &net, const Control &c) { return net.nodes[c.node].elevation + c.grade; }
}  // namespace

bool apply_simple_controls(const Net &net, State &s) {
  bool changed = false;
  for (const Control &c : net.model->controls) {
    if (!c.enabled || c.link == kNone) continue;
    bool act = false;
    switch (c.type) {
      case Control::Type::LowLevel: case Control::Type::HighLevel: {
        const double grade = control_grade(net, c);
        const double h = s.head[c.node];
        // Junction pressures are switched on within the solution instead
        // (apply_pressure_switches), where the pressures of the instant are known.
        if (net.nodes[c.node].kind != NodeKind::Tank) break;
        // Act within one second of flow of the control level.
        const double vplus = std::abs(s.demand[c.node]);
        const double v1 = tank_level_volume(net, c.node, h), v2 = tank_level_volume(net, c.node, grade);
        act = c.type == Control::Type::LowLevel ? v1 <= v2 + vplus : v1 >= v2 - vplus;
        break;
      }
      case Control::Type::Timer:
        act = c.time == s.time;
        break;
      case Control::Type::TimeOfDay:
        act = seconds_of_day(s.time + net.model->times.start_clocktime) == c.time;
        break;
    }
    if (act) changed |= apply_target(net, s, c.link, control_target(net, s, c));
  }
  return changed;
}

bool apply_pressure_switches(const Net &net, State &s) {
  bool changed = false;
  for (const Control &c : net.model->controls) {
    if (!c.enabled || c.link == kNone || c.node == kNone) continue;
    if (c.type != Control::Type::LowLevel && c.type != Control::Type::HighLevel) continue;
    if (net.nodes[c.node].kind != NodeKind::Junction) continue;
    const double grade = control_grade(net, c), h = s.head[c.node];
    const bool act = c.type == Control::Type::LowLevel ? h <= grade + kHtol : h >= grade - kHtol;
    if (!act) continue;
    // What counts as a change: a pipe's status, a pump's speed, a valve's
    // setting (its status when it has none). A pump held shut by a status
    // check at the control's speed is left to that check.
    const LinkTarget t = control_target(net, s, c);
    const int k = c.link;
    const LinkKind kind = net.links[k].kind;
    bool change;
    if (kind == LinkKind::Pipe || kind == LinkKind::CVPipe) change = s.status[k] != t.status;
    else if (kind == LinkKind::Pump) change = !same_setting(s.setting[k], t.setting);
    else change = !same_setting(s.setting[k], t.setting) || (missing(t.setting) && s.status[k] != t.status);
    if (!change) continue;
    s.status[k] = t.status;
    if (kind != LinkKind::Pipe && kind != LinkKind::CVPipe) s.setting[k] = t.setting;
    changed = true;
  }
  return changed;
}

void limit_step_by_controls(const Net &net, const State &s, double &step) {
  for (const Control &c : net.model->controls) {
    if (!c.enabled || c.link == kNone) continue;
    double t = 0;
    if (c.type == Control::Type::LowLevel || c.type == Control::Type::HighLevel) {
      if (net.nodes[c.node].kind != NodeKind::Tank) continue;
      const double h = s.head[c.node], q = s.demand[c.node];
      if (std::abs(q) <= kQzero) continue;
      const double grade = control_grade(net, c);
      if ((h < grade && c.type == Control::Type::HighLevel && q > 0) ||
          (h > grade && c.type == Control::Type::LowLevel && q < 0)) {
        const double v = tank_level_volume(net, c.node, grade) - tank_level_volume(net, c.node, h);
        t = std::round(v / q);
      }
    } else if (c.type == Control::Type::Timer) {
      if (c.time > s.time) t = c.time - s.time;
    } else {
      const double t1 = seconds_of_day(s.time + net.model->times.start_clocktime), t2 = c.time;
      t = t2 >= t1 ? t2 - t1 : units::kSecondsPerDay - t1 + t2;
    }
    if (t > 0 && t < step && differs(s, c.link, control_target(net, s, c))) step = t;
  }
}

namespace {

double premise_value(const Net &net, const State &s, const RulePremise &p) {
  using V = RulePremise::Variable;
  using O = RulePremise::Object;
  if (p.object == O::System) {
    switch (p.variable) {
      case V::Time: return s.time;
      case V::ClockTime: return seconds_of_day(s.time + net.model->times.start_clocktime);
      case V::Demand: {
        // What the junctions ask for (positive demands), not what they receive.
        double total = 0;
        for (std::size_t i = 0; i < net.nodes.size(); ++i)
          if (net.nodes[i].kind == NodeKind::Junction && s.demand[i] > 0) total += s.demand[i];
        return total;
      }
      default: return 0;
    }
  }
  const bool node = p.object <= O::Reservoir;
  if (node) {
    const int i = p.index;
    const NodeData &n = net.nodes[i];
    switch (p.variable) {
      case V::Demand:
        return n.kind == NodeKind::Junction ? s.demand_flow[i] + s.emitter_flow[i] : s.demand[i];
      case V::Head: case V::Grade: return s.head[i];
      case V::Level: case V::Pressure: return s.head[i] - n.elevation;
      case V::FillTime: case V::DrainTime: {
        // Neither holds for a junction, a reservoir, or a tank not filling (draining).
        if (n.kind != NodeKind::Tank || net.tanks[n.tank].reservoir) return kMissing;
        const TankData &t = net.tanks[n.tank];
        const double q = s.demand[i];
        const double v = s.volume[n.tank];
        if (p.variable == V::FillTime) return q > kTiny ? (t.vmax - v) / q : kMissing;
        return q < -kTiny ? (t.vmin - v) / q : kMissing;
      }
      default: return 0;
    }
  }
  const int k = p.index;
  switch (p.variable) {
    case V::Flow: return std::abs(s.flow[k]);
    case V::Setting: return s.setting[k];  // missing: no comparison holds
    default: return 0;
  }
}

// Comparison with a tolerance, as customary for rule premises: "=" holds
// within tol, while "<=" and ">=" need a margin of tol and "<" and ">" allow one.
bool compare(RulePremise::Relation r, double x, double v, double tol) {
  using R = RulePremise::Relation;
  switch (r) {
    case R::Eq: case R::Is: return std::abs(x - v) <= tol;
    case R::Ne: case R::Not: return std::abs(x - v) >= tol;
    case R::Lt: case R::Below: return x <= v + tol;
    case R::Le: return x <= v - tol;
    case R::Gt: case R::Above: return x >= v - tol;
    case R::Ge: return x >= v + tol;
  }
  return false;
}

// 0.001 display units of the premise's variable, in SI.
double premise_tolerance(const Net &net, const RulePremise &p) {
  using V = RulePremise::Variable;
  const Model &m = *net.model;
  const bool us = m.us_units();
  switch (p.variable) {
    case V::Demand: case V::Flow: return 0.001 / units::flow(m.options.flow_units);
    case V::Head: case V::Grade: case V::Level: return 0.001 / units::length(us);
    case V::Pressure: return 0.001 / units::pressure(m);
    case V::Setting: {
      if (p.index == kNone) return 0.001;
      const LinkKind k = m.links[p.index].kind;
      if (k == LinkKind::PRV || k == LinkKind::PSV || k == LinkKind::PBV) return 0.001 / units::pressure(m);
      if (k == LinkKind::FCV) return 0.001 / units::flow(m.options.flow_units);
      return 0.001;
    }
    case V::Power: return 0.001 / units::power(us);
    default: return 0.001;
  }
}

bool evaluate(const Net &net, const State &s, const RulePremise &p, double dt) {
  using V = RulePremise::Variable;
  using R = RulePremise::Relation;
  if (p.variable == V::Status) {
    const LinkState st = s.status[p.index];
    const LinkStatus as = is_closed(st) ? LinkStatus::Closed : st == LinkState::Active ? LinkStatus::Active : LinkStatus::Open;
    const bool eq = as == *p.status;
    return (p.relation == R::Is || p.relation == R::Eq) ? eq : !eq;
  }
  const double x = premise_value(net, s, p);
  if (p.variable == V::Time || p.variable == V::ClockTime) {
    // "=" on a time holds when that instant falls within the substep just taken.
    if (p.relation == R::Eq || p.relation == R::Is || p.relation == R::Ne || p.relation == R::Not) {
      bool within;
      if (p.variable == V::Time) {
        within = p.value > x - dt && p.value <= x;
      } else {
        const double t1 = x - dt, t2 = x;
        within = t1 >= 0 ? p.value > t1 && p.value <= t2 : p.value > t1 + units::kSecondsPerDay || p.value <= t2;
      }
      return (p.relation == R::Eq || p.relation == R::Is) ? within : !within;
    }
    // Inequalities on a time are strict where they say so: no margin.
    switch (p.relation) {
      case R::Lt: case R::Below: return x < p.value;
      case R::Le: return x <= p.value;
      case R::Gt: case R::Above: return x > p.value;
      case R::Ge: return x >= p.value;
      default: return false;
    }
  }
  return compare(p.relation, x, p.value, premise_tolerance(net, p));
}

}  // namespace

// A rule action acts only where it changes something: OPEN on a link that is
// shut (by any cause), CLOSED on one that is not, otherwise a new setting
// differing by more than 1e-3 (ft, cfs or speed, the customary margin). A new
// setting leaves a pressure or throttle valve's status to its status checks,
// opening it only if it was fixed closed. True if the link changed.
bool take_rule_action(const Net &net, State &s, int k, const RuleAction *a) {
  const LinkKind kind = net.links[k].kind;
  if (a->status == LinkStatus::Open && !a->setting) {
    if (!is_closed(s.status[k])) return false;
    apply_target(net, s, k, target_for_status(net, s, k, LinkStatus::Open));
    return true;
  }
  if (a->status == LinkStatus::Closed && !a->setting) {
    if (is_closed(s.status[k])) return false;
    apply_target(net, s, k, target_for_status(net, s, k, LinkStatus::Closed));
    return true;
  }
  if (!a->setting) return false;
  const double x = *a->setting, v = s.setting[k];
  double margin = 1e-3;
  if (kind == LinkKind::PRV || kind == LinkKind::PSV || kind == LinkKind::PBV) margin *= kFt;
  else if (kind == LinkKind::FCV) margin *= kCfs;
  if (!missing(v) && std::abs(x - v) <= margin) return false;
  if (kind == LinkKind::Pump || kind == LinkKind::FCV) {
    apply_target(net, s, k, target_for_setting(net, k, x));
  } else {
    if (missing(v) && is_closed(s.status[k])) s.status[k] = LinkState::Open;
    s.setting[k] = x;
  }
  return true;
}

int apply_rules(const Net &net, State &s, double dt) {
  struct Pending {
    int link;
    const RuleAction *action;
    double priority;
  };
  std::vector<Pending> pending;
  for (const Rule &rule : net.model->rules) {
    if (!rule.enabled) continue;
    // Premises combine left to right: OR keeps a true result, AND needs one.
    bool result = true;
    for (const RulePremise &p : rule.premises) {
      if (p.logic == RulePremise::Logic::Or) {
        if (!result) result = evaluate(net, s, p, dt);
      } else {
        if (!result) break;
        result = evaluate(net, s, p, dt);
      }
    }
    const auto &actions = result ? rule.then_actions : rule.else_actions;
    for (const RuleAction &a : actions) {
      bool placed = false;
      for (Pending &p : pending) {
        if (p.link != a.link) continue;
        placed = true;
        if (rule.priority > p.priority) p = {a.link, &a, rule.priority};
      }
      if (!placed) pending.push_back({a.link, &a, rule.priority});
    }
  }
  int changed = 0;
  for (const Pending &p : pending) changed += take_rule_action(net, s, p.link, p.action);
  return changed;
}

}  // namespace orv::hyd
