// Extended-period driver: demands and controls at each instant, a steady
// solution, then a time step bounded by the hydraulic, pattern and report
// steps, control times and tank fill or drain times, over which tank levels
// are advanced (in rule substeps when there are rules).
#include "hydraulics/simulate.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "hydraulics/constants.hpp"
#include "hydraulics/controls.hpp"
#include "hydraulics/cpu_dispatch.hpp"
#include "hydraulics/gga.hpp"
#include "hydraulics/network.hpp"
#include "hydraulics/run_warnings.hpp"
#include "hydraulics/solver_layout.hpp"

namespace orv {

namespace {

using namespace hyd;

class Simulation {
 public:
  Simulation(const Model &m, std::FILE *trace, LayoutCache *layouts)
      : m_(m), net_(prepare(m)), solver_(net_, trace, layouts ? layouts->layout(net_) : nullptr), trace_(trace) {
    for (std::size_t k = 0; k < net_.links.size(); ++k) {
      const LinkData &l = net_.links[k];
      if (net_.nodes[l.n1].kind != NodeKind::Junction || net_.nodes[l.n2].kind != NodeKind::Junction)
        links_at_fixed_heads_.push_back(static_cast<int>(k));
      recorded_links_.push_back({l.n1, l.n2, l.area > 0 && l.kind != LinkKind::Pump ? l.area : 0.0});
    }
  }

  ORV_CPU_DISPATCH SimulationRun run(Results spare) {
    SimulationRun run;
    run.results = std::move(spare);
    run.results.reuse_for(m_.nodes.size(), m_.links.size(), m_.tanks.size());
    initialise();
    const Times &tm = m_.times;
    const double duration = tm.duration;
    hstep_ = std::min({tm.hydraulic_step, tm.pattern_step, tm.report_step});
    report_time_ = tm.report_start;
    run.results.reserve_steps(steps_to_reserve(run.results, duration));
    while (true) {
      set_demands();
      apply_simple_controls(net_, s_);
      if (trace_) std::fprintf(trace_, "%s: Balancing the network:\n", clock_text(s_.time).c_str());
      SolveOutcome out = solver_.solve(s_);
      run.iterations += out.iterations;
      if (out.singular) {
        run.status = kHydErrSingular;
        run.message = "the network equations could not be solved at " + clock_text(s_.time) +
                      " (some nodes are disconnected from every tank and reservoir)";
        break;
      }
      finish_step();
      record(run.results);
      note_devices(run, out);
      warnings_.note(net_, s_, out);
      if (!out.converged) {
        if (m_.options.unbalanced_continue < 0) {
          // The run ends at this instant; what was computed up to it is kept.
          warnings_.halt();
          break;
        }
      }
      while (report_time_ <= s_.time) report_time_ += tm.report_step;
      if (s_.time >= duration) break;
      double step = time_step();
      advance(step);
    }
    if (run.status == kHydOk) warnings_.summarise(*net_.model, run);  // a failure keeps its own message
    return run;
  }

 private:
  const Model &m_;
  Net net_;
  GradientSolver solver_;
  std::FILE *trace_;
  State s_;
  RunWarnings warnings_;
  double hstep_ = 3600;
  double report_time_ = 0;
  std::vector<double> pattern_factors_;
  std::set<std::pair<int, std::string>> seen_devices_;
  // What the loops at every instant read of the links, kept compact.
  std::vector<int> links_at_fixed_heads_;  // links with an end at a tank or reservoir, ascending
  struct RecordedLink {
    int n1, n2;
    double area;  // that gives a velocity (0: pumps, links without one)
  };
  std::vector<RecordedLink> recorded_links_;

  // Controls and tanks add instants between hydraulic steps (six times as
  // many in some networks), and growing the store copies it. Reserved space
  // is only address space until written, so a generous reserve costs no
  // memory; it is capped so that it never asks for more than 1 GiB unused.
  std::size_t steps_to_reserve(const Results &results, double duration) const {
    const std::size_t steps = static_cast<std::size_t>(duration / hstep_) + 2;
    const std::size_t cap = (std::size_t{1} << 30) / results.bytes_per_step();
    return std::max(steps, std::min(8 * steps, cap));
  }

  void initialise() {
    const std::size_t nn = m_.nodes.size(), nl = m_.links.size();
    s_.time = 0;
    s_.head.assign(nn, 0);
    s_.demand.assign(nn, 0);
    s_.demand_flow.assign(nn, 0);
    s_.emitter_flow.assign(nn, 0);
    s_.flow.assign(nl, 0);
    s_.status.assign(nl, LinkState::Open);
    s_.setting.assign(nl, kMissing);
    s_.P.assign(nl, 0);
    s_.friction_near.assign(nl, {});
    s_.Y.assign(nl, 0);
    s_.excess.assign(nn, 0);
    s_.volume.assign(m_.tanks.size(), 0);
    for (std::size_t i = 0; i < nn; ++i) {
      s_.head[i] = m_.nodes[i].elevation;
      if (m_.nodes[i].emitter_coeff > 0) s_.emitter_flow[i] = kCfs;
    }
    for (std::size_t t = 0; t < m_.tanks.size(); ++t) {
      const Tank &tank = m_.tanks[t];
      if (tank.reservoir) continue;
      const double h = m_.nodes[tank.node].elevation + tank.initial_level;
      s_.head[tank.node] = h;
      s_.volume[t] = tank_volume(net_, net_.tanks[t], h);
    }
    for (std::size_t k = 0; k < nl; ++k) {
      const Link &l = m_.links[k];
      switch (l.kind) {
        case LinkKind::Pipe: case LinkKind::CVPipe:
          s_.status[k] = l.initial_status == LinkStatus::Closed ? LinkState::Closed : LinkState::Open;
          s_.setting[k] = l.roughness;
          break;
        case LinkKind::Pump:
          s_.setting[k] = l.setting;
          s_.status[k] = (l.initial_status == LinkStatus::Closed || l.setting <= 0) ? LinkState::Closed : LinkState::Open;
          break;
        case LinkKind::GPV:
          s_.status[k] = l.initial_status == LinkStatus::Closed ? LinkState::Closed : LinkState::Open;
          break;
        default:
          if (l.initial_status == LinkStatus::Open) s_.status[k] = LinkState::Open;
          else if (l.initial_status == LinkStatus::Closed) s_.status[k] = LinkState::Closed;
          else { s_.status[k] = LinkState::Active; s_.setting[k] = l.setting; }
      }
      s_.flow[k] = initial_flow(net_, static_cast<int>(k), s_.status[k], s_.setting[k]);
    }
  }

  void set_demands() {
    const double t = s_.time;
    // Each pattern's factor once per instant, then one pass over all demands.
    pattern_factors_.resize(m_.patterns.size());
    for (std::size_t p = 0; p < m_.patterns.size(); ++p)
      pattern_factors_[p] = m_.pattern_factor(static_cast<int>(p), t);
    for (std::size_t i = 0; i < net_.nodes.size(); ++i)
      if (net_.nodes[i].kind == NodeKind::Junction) s_.demand[i] = 0;
    for (const DemandTerm &d : net_.demands)
      s_.demand[d.node] += d.base * (d.pattern >= 0 && d.pattern < static_cast<int>(pattern_factors_.size())
                                         ? pattern_factors_[d.pattern] : 1.0);
    for (std::size_t i = 0; i < net_.nodes.size(); ++i) {
      if (net_.nodes[i].kind != NodeKind::Junction) continue;
      s_.demand[i] *= m_.options.demand_multiplier;
      // Pressure-driven demand too starts every instant from the full demand.
      s_.demand_flow[i] = s_.demand[i];
    }
    for (const TankData &t : net_.tanks)
      if (t.reservoir && t.head_pattern != kNone)
        s_.head[t.node] = net_.nodes[t.node].elevation * m_.pattern_factor(t.head_pattern, s_.time);
    for (const int k : net_.pumps) {
      const LinkData &l = net_.links[k];
      if (l.speed_pattern == kNone) continue;
      apply_target(net_, s_, k, target_for_setting(net_, k, m_.pattern_factor(l.speed_pattern, t)));
    }
  }

  // Net inflow of tanks and reservoirs after a solution.
  void finish_step() {
    // The compact hydraulic node data, not the model's: this runs every instant.
    for (std::size_t i = 0; i < net_.nodes.size(); ++i)
      if (net_.nodes[i].kind != NodeKind::Junction) s_.demand[i] = 0;
    for (const int k : links_at_fixed_heads_) {
      const LinkData &l = net_.links[k];
      const double q = is_closed(s_.status[k]) ? 0.0 : s_.flow[k];
      if (net_.nodes[l.n1].kind != NodeKind::Junction) s_.demand[l.n1] -= q;
      if (net_.nodes[l.n2].kind != NodeKind::Junction) s_.demand[l.n2] += q;
    }
  }

  double time_step() {
    const Times &tm = m_.times;
    const double t = s_.time;
    double step = hstep_;
    const double next_pattern = (std::floor((t + tm.pattern_start) / tm.pattern_step) + 1) * tm.pattern_step;
    const double to_pattern = next_pattern - (t + tm.pattern_start);
    if (to_pattern > 0 && to_pattern < step) step = to_pattern;
    const double to_report = report_time_ - t;
    if (to_report > 0 && to_report < step) step = to_report;
    const double to_end = tm.duration - t;
    if (to_end > 0 && to_end < step) step = to_end;
    // Time until a tank fills or empties.
    for (std::size_t i = 0; i < net_.tanks.size(); ++i) {
      const TankData &tk = net_.tanks[i];
      if (tk.reservoir) continue;
      const double q = s_.demand[tk.node];
      const double h = s_.head[tk.node];
      double v;
      if (std::abs(q) <= kQzero) continue;
      if (q > 0 && h < tk.hmax) v = tk.vmax - s_.volume[i];
      else if (q < 0 && h > tk.hmin) v = tk.vmin - s_.volume[i];
      else continue;
      const double dt = std::round(v / q);
      if (dt > 0 && dt < step) step = dt;
    }
    limit_step_by_controls(net_, s_, step);
    return step;
  }

  void update_tanks(double dt) {
    for (std::size_t i = 0; i < net_.tanks.size(); ++i) {
      const TankData &tk = net_.tanks[i];
      if (tk.reservoir) continue;
      const double q = s_.demand[tk.node];
      double &v = s_.volume[i];
      v += q * dt;
      // Snap to full or empty within one second of flow (the customary test,
      // which lets a draining tank end a step slightly below its minimum).
      if (v + q >= tk.vmax) v = tk.vmax;
      else if (v - q <= tk.vmin) v = tk.vmin;
      s_.head[tk.node] = tank_head(net_, tk, v);
    }
  }

  void advance(double step) {
    if (m_.rules.empty()) {
      update_tanks(step);
      s_.time += step;
      return;
    }
    // Rules are examined every rule step; the first one that acts ends the step.
    const double rule_step = m_.times.rule_step > 0 ? m_.times.rule_step : step;
    const double end = s_.time + step;
    double dt = std::min(rule_step, step);
    double dt1 = std::min(rule_step - std::fmod(s_.time, rule_step), step);
    if (dt1 <= 0) dt1 = dt;
    while (true) {
      update_tanks(dt1);
      s_.time += dt1;
      if (apply_rules(net_, s_, dt1) > 0) break;
      dt = std::min(dt, end - s_.time);
      if (dt <= 0) break;
      dt1 = dt;
    }
  }

  ORV_CPU_DISPATCH void record(Results &r) {
    const std::size_t step = r.add_step(s_.time);
    auto head = r.column(NodeAttr::Head, step), pres = r.column(NodeAttr::Pressure, step),
         dem = r.column(NodeAttr::Demand, step);
    for (std::size_t i = 0; i < net_.nodes.size(); ++i) {
      const NodeData &n = net_.nodes[i];
      head[i] = static_cast<float>(s_.head[i]);
      pres[i] = static_cast<float>(s_.head[i] - n.elevation);
      dem[i] = static_cast<float>(n.kind == NodeKind::Junction ? s_.demand_flow[i] + s_.emitter_flow[i]
                                                               : s_.demand[i]);
    }
    auto flow = r.column(LinkAttr::Flow, step), vel = r.column(LinkAttr::Velocity, step),
         loss = r.column(LinkAttr::Headloss, step), stat = r.column(LinkAttr::Status, step),
         set = r.column(LinkAttr::Setting, step);
    for (std::size_t k = 0; k < m_.links.size(); ++k) {
      const RecordedLink &l = recorded_links_[k];
      const bool closed = is_closed(s_.status[k]);
      const double q = closed ? 0.0 : s_.flow[k];
      flow[k] = static_cast<float>(q);
      vel[k] = static_cast<float>(l.area > 0 ? std::abs(q) / l.area : 0.0);
      loss[k] = static_cast<float>(s_.head[l.n1] - s_.head[l.n2]);
      stat[k] = static_cast<float>(closed ? ReportedLinkStatus::Closed
                                          : s_.status[k] == LinkState::Active ? ReportedLinkStatus::Active
                                                                          : ReportedLinkStatus::Open);
      set[k] = static_cast<float>(missing(s_.setting[k]) ? 0.0 : s_.setting[k]);
    }
    auto level = r.column(TankAttr::Level, step), vol = r.column(TankAttr::Volume, step);
    for (std::size_t t = 0; t < net_.tanks.size(); ++t) {
      const int node = net_.tanks[t].node;
      level[t] = static_cast<float>(s_.head[node] - net_.nodes[node].elevation);
      vol[t] = static_cast<float>(s_.volume[t]);
    }
  }

  void note_device(SimulationRun &run, int k, const std::string &reason) {
    if (seen_devices_.emplace(k, reason).second) run.unstable.push_back({k, s_.time, reason});
  }

  void note_devices(SimulationRun &run, const SolveOutcome &out) {
    for (int k : out.unsettled)
      if (m_.links[k].kind != LinkKind::Pipe) note_device(run, k, "status did not settle");
    std::size_t next_pump = 0;  // in net_.pumps
    for (std::size_t k = 0; k < m_.links.size(); ++k) {
      const int link = static_cast<int>(k);
      const bool pump = next_pump < net_.pumps.size() && net_.pumps[next_pump] == link;
      next_pump += pump;
      if (pump && !is_closed(s_.status[k])) {
        if (s_.flow[k] < 0) note_device(run, link, "cannot deliver the head required");
        else if (pump_beyond_curve(net_, s_, link)) note_device(run, link, "runs beyond the end of its curve");
      }
      switch (s_.status[k]) {
        case LinkState::XHead: note_device(run, link, "cannot deliver the head required"); break;
        case LinkState::XFcv: note_device(run, link, "cannot deliver its flow setting"); break;
        case LinkState::XPressure: note_device(run, link, "cannot meet its pressure setting"); break;
        default: break;
      }
    }
  }
};

}  // namespace

namespace {
// A junction no link touches has no equation to balance it; such a file loads
// (with a warning) but cannot be simulated. Names the first few.
std::string unconnected_junctions(const Model &model) {
  const std::vector<int> found = model.unconnected_junctions();
  std::string names;
  for (std::size_t j = 0; j < found.size() && j < 10; ++j) names += (j ? ", " : "") + model.nodes[found[j]].id;
  if (found.size() > 10) names += " and " + std::to_string(found.size() - 10) + " more";
  return names;
}
}  // namespace

SimulationRun simulate_hydraulics(const Model &model, std::FILE *trace, LayoutCache *layouts, Results spare) {
  if (model.tanks.empty()) {
    SimulationRun run;
    run.status = kHydErrNoSource;
    run.message = "the network has no tank or reservoir";
    return run;
  }
  if (const std::string names = unconnected_junctions(model); !names.empty()) {
    SimulationRun run;
    run.status = kHydErrInvalid;
    run.message = "the network has unconnected junctions: " + names;
    return run;
  }
  try {
    Simulation sim(model, trace, layouts);
    return sim.run(std::move(spare));
  } catch (const std::exception &e) {
    SimulationRun run;
    run.status = kHydErrInvalid;
    run.message = e.what();
    return run;
  }
}

}  // namespace orv
