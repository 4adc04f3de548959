#include "hydraulics/run_warnings.hpp"

#include <cmath>
#include <cstdio>
#include <vector>

namespace orv::hyd {

std::string clock_text(double seconds) {
  const long long s = std::llround(seconds);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
  return buf;
}

bool pump_beyond_curve(const Net &net, const State &s, int k) {
  const LinkData &l = net.links[k];
  return l.pump_type != PumpType::ConstantPower && l.qmax > 0 && s.flow[k] > s.setting[k] * l.qmax;
}

void RunWarnings::note(const Net &net, const State &s, const SolveOutcome &out) {
  const Model &m = *net.model;
  if (!out.converged && first_unbalanced_ < 0) first_unbalanced_ = s.time;
  const bool late = out.converged && out.iterations > m.options.trials;
  if (late && first_balanced_late_ < 0) first_balanced_late_ = s.time;
  bool warned = late || !out.converged;
  // Negative pressures at junctions with demand (demand-driven runs).
  if (m.options.demand_model == DemandModel::DemandDriven) {
    int worst = kNone;
    for (std::size_t i = 0; i < net.nodes.size(); ++i) {
      const NodeData &n = net.nodes[i];
      if (n.kind != NodeKind::Junction || !(s.demand_flow[i] > 0)) continue;
      const double p = s.head[i] - n.elevation;
      if (p < 0 && (worst == kNone || p < s.head[worst] - net.nodes[worst].elevation)) worst = static_cast<int>(i);
    }
    if (worst != kNone) {
      warned = true;
      if (negative_.instants++ == 0) negative_ = {1, s.time, worst, s.head[worst] - m.nodes[worst].elevation};
    }
  }
  // Valves short of their settings, pumps running backwards or off their curves.
  for (std::size_t k = 0; k < m.links.size() && !warned; ++k)
    warned = s.status[k] == LinkState::XFcv || s.status[k] == LinkState::XPressure;
  for (std::size_t j = 0; j < net.pumps.size() && !warned; ++j) {
    const int k = net.pumps[j];
    warned = !is_closed(s.status[k]) && (s.flow[k] < 0 || pump_beyond_curve(net, s, k));
  }
  // As customary, disconnections are looked for where an instant raised a warning.
  if (warned) note_disconnected(net, s);
}

// Junctions with demand cut off from every tank and reservoir by closed links.
void RunWarnings::note_disconnected(const Net &net, const State &s) {
  const Model &m = *net.model;
  const std::size_t nn = m.nodes.size();
  std::vector<int> parent(nn);
  for (std::size_t i = 0; i < nn; ++i) parent[i] = static_cast<int>(i);
  auto root = [&](int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  for (std::size_t k = 0; k < m.links.size(); ++k)
    if (!is_closed(s.status[k])) parent[root(net.links[k].n1)] = root(net.links[k].n2);
  std::vector<char> fed(nn, 0);
  for (const TankData &t : net.tanks) fed[root(t.node)] = 1;
  int count = 0, first = kNone;
  for (std::size_t i = 0; i < nn; ++i)
    if (m.nodes[i].kind == NodeKind::Junction && s.demand[i] > 0 && !fed[root(static_cast<int>(i))]) {
      if (first == kNone) first = static_cast<int>(i);
      ++count;
    }
  if (count > 0 && disconnected_.instants++ == 0) disconnected_ = {1, s.time, first, count};
}

void RunWarnings::summarise(const Model &m, SimulationRun &run) const {
  std::vector<std::string> parts;
  if (first_unbalanced_ >= 0) {
    parts.push_back("the system is hydraulically unbalanced at " + clock_text(first_unbalanced_) +
                    (halted_ ? " (the run stops there, as UNBALANCED STOP asks)" : ""));
    run.status = halted_ ? kHydErrUnbalanced : kHydWarnUnbalanced;
  }
  if (negative_.instants > 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.4g m", negative_.pressure);
    parts.push_back("negative pressures at " + std::to_string(negative_.instants) + " instant(s), first at " +
                    clock_text(negative_.time) + " (node " + m.nodes[negative_.node].id + ": " + buf + ")");
    if (run.status == kHydOk) run.status = kHydWarnNegativePressure;
  }
  if (!run.unstable.empty()) {
    parts.push_back(std::to_string(run.unstable.size()) + " device(s) unstable or unable to meet their setting");
    if (run.status == kHydOk) run.status = kHydWarnUnstable;
  }
  if (first_balanced_late_ >= 0) {
    parts.push_back("balanced only after TRIALS at " + clock_text(first_balanced_late_) +
                    " (the system may be unstable)");
    if (run.status == kHydOk) run.status = kHydWarnUnstable;
  }
  if (disconnected_.instants > 0)
    parts.push_back("node " + m.nodes[disconnected_.node].id + " disconnected at " + clock_text(disconnected_.time) +
                    (disconnected_.nodes > 1 ? " (" + std::to_string(disconnected_.nodes) + " nodes with demand)" : ""));
  for (std::size_t i = 0; i < parts.size(); ++i) run.message += (i ? "; " : "") + parts[i];
}

}  // namespace orv::hyd
