#include "hydraulics/gga.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "hydraulics/coefficients.hpp"
#include "hydraulics/constants.hpp"
#include "hydraulics/controls.hpp"
#include "hydraulics/cpu_dispatch.hpp"
#include "hydraulics/finite_values.hpp"
#include "hydraulics/forest.hpp"
#include "hydraulics/link_status.hpp"
#include "hydraulics/solver_layout.hpp"
#include "hydraulics/static_ldlt.hpp"

namespace orv::hyd {

namespace {
// The matrix is assembled directly in fill-reducing order (planned once),
// into the factorisation's own storage: no copy, no permutation per trial.

enum class Pinned : std::uint8_t { No, Prv, Psv, Fcv, Pbv };
constexpr double kPbvConductance = 1e-2 * kBigConductance;
}  // namespace

struct GradientSolver::Impl {
  const Net &net;
  std::FILE *trace = nullptr;
  std::shared_ptr<const SolverLayout> layout;  // shared by the runs of one shape
  StaticLdlt factor = layout->factor;         // the plan's analysis, with this run's values
  const std::vector<int> &slot = layout->slot;  // matrix row of each node (-1 for fixed-head nodes)
  std::vector<int> diag_pos;     // value index of each diagonal entry
  // Where a link enters the system: its end nodes, their matrix rows (-1 for
  // fixed heads), the value indices of their diagonal entries and of the
  // link's off-diagonal entry (-1 if none).
  struct MatrixPlace { int n1, n2, r1, r2, d1, d2, off; };
  std::vector<MatrixPlace> places;  // per link
  std::vector<int> emitters;     // junctions with an emitter
  struct RowNode { int row, node; };
  std::vector<RowNode> rows;     // the matrix rows, each with its node
  std::vector<double> rhs;  // right-hand side, solved in place into the heads of the rows
  // Per instant: the right-hand side before any link or emitter (demands and
  // the outflows of dead-end trees).
  std::vector<double> fixed_rhs;
  // Pipes in the matrix, the bulk of every trial: compact copies of what
  // their assembly reads.
  struct CorePipe { int link; MatrixPlace at; };
  std::vector<CorePipe> core_pipes;
  std::vector<PipeTerms> core_terms;
  std::vector<int> other_links;     // pumps and valves, in network order
  std::vector<Pinned> pinned;
  std::vector<int> valves;          // every valve, in network order
  std::vector<int> setting_valves;  // PRVs, PSVs and FCVs, in network order
  struct BalancedNode { int node, first, last; };  // its links: balance_links[first, last)
  struct Incidence { int link; bool leaves; };
  std::vector<BalancedNode> balanced_nodes;
  std::vector<Incidence> balance_links;
  std::vector<int> pressure_valve_list = pressure_valves(net);
  std::vector<int> checked_link_list = checked_links(net);
  // Dead-end trees, outside the matrix: their pipes' flows are set from the
  // demands at each instant, their nodes' heads from their parents'.
  const std::vector<TreeLink> &tree = layout->tree;
  std::vector<char> in_tree;        // per link
  std::vector<double> tree_flow;    // per link: the flow the demands beyond it ask for
  std::vector<double> tree_loss;    // per tree link: head loss of its pipe at that flow
  std::vector<double> tree_out;     // per node: what leaves it into its subtree
  bool tree_losses_current = false;
  bool tree_flows_pending = false;  // the instant's first flow update sets the tree pipes
  double tree_flow_sum = 0;         // sum of |flow| over the tree pipes, once set
  bool analysed = false;
  double max_flow_change = 0;  // largest |dq| of the last update (m3/s)

  Impl(const Net &n, std::FILE *sink, std::shared_ptr<const SolverLayout> plan)
      : net(n), trace(sink), layout(plan ? std::move(plan) : std::make_shared<const SolverLayout>(plan_layout(n))) {
    const int nj = layout->rows;
    analysed = nj > 0;
    in_tree.assign(net.links.size(), 0);
    tree_flow.assign(net.links.size(), 0.0);
    tree_loss.assign(tree.size(), 0.0);
    tree_out.assign(net.nodes.size(), 0.0);
    for (const TreeLink &b : tree) in_tree[b.link] = 1;
    diag_pos.assign(nj, -1);
    for (int c = 0; c < nj; ++c) diag_pos[c] = factor.value_index(c, c);
    places.resize(net.links.size());
    for (std::size_t k = 0; k < net.links.size(); ++k) {
      const LinkData &l = net.links[k];
      const int a = slot[l.n1], b = slot[l.n2];
      places[k] = {l.n1, l.n2, a, b, a >= 0 ? diag_pos[a] : -1, b >= 0 ? diag_pos[b] : -1,
                   a >= 0 && b >= 0 ? factor.value_index(std::min(a, b), std::max(a, b)) : -1};
    }
    for (std::size_t i = 0; i < net.nodes.size(); ++i)
      if (slot[i] >= 0) rows.push_back({slot[i], static_cast<int>(i)});
    for (std::size_t i = 0; i < net.nodes.size(); ++i)
      if (slot[i] >= 0 && net.model->nodes[i].emitter_coeff > 0) emitters.push_back(static_cast<int>(i));
    rhs.assign(nj, 0.0);
    fixed_rhs.assign(nj, 0.0);
    pinned.assign(net.links.size(), Pinned::No);
    core_pipes.reserve(net.links.size() - tree.size());
    core_terms.reserve(net.links.size() - tree.size());
    for (std::size_t kk = 0; kk < net.links.size(); ++kk) {
      const int k = static_cast<int>(kk);
      const LinkData &l = net.links[k];
      if (is_valve(l.kind)) valves.push_back(k);
      if (l.kind == LinkKind::PRV || l.kind == LinkKind::PSV || l.kind == LinkKind::FCV) setting_valves.push_back(k);
      if (in_tree[k]) continue;
      if (l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe) {
        core_pipes.push_back({k, places[k]});
        core_terms.push_back(pipe_terms(l));
      } else {
        other_links.push_back(k);
      }
    }
    find_balanced_nodes();
  }

  Pinned pin_state(const State &s, int k) const {
    const LinkData &l = net.links[k];
    if (missing(s.setting[k])) return Pinned::No;
    switch (l.kind) {
      case LinkKind::PRV: return s.status[k] == LinkState::Active ? Pinned::Prv : Pinned::No;
      case LinkKind::PSV: return s.status[k] == LinkState::Active ? Pinned::Psv : Pinned::No;
      case LinkKind::FCV: return s.status[k] == LinkState::Active ? Pinned::Fcv : Pinned::No;
      case LinkKind::PBV:
        if (is_closed(s.status[k]) || s.status[k] == LinkState::Open || s.setting[k] == 0) return Pinned::No;
        if (l.km * s.flow[k] * s.flow[k] > s.setting[k]) return Pinned::No;
        return Pinned::Pbv;
      default: return Pinned::No;
    }
  }

  // PRVs, PSVs and FCVs with a setting: their flow is decided by the
  // assembly, not by a head-loss relation.
  bool holds_setting(const State &s, int k) const {
    const LinkKind kind = net.links[k].kind;
    return (kind == LinkKind::PRV || kind == LinkKind::PSV || kind == LinkKind::FCV) && !missing(s.setting[k]);
  }

  // Where a trial writes, as plain pointers held in registers across the loop
  // over the pipes (through the vectors, every store would make the compiler
  // reload their data).
  struct Sink {
    double *val, *rhs, *P, *Y;
    const double *head;
  };
  Sink sink(State &s) { return {factor.values(), rhs.data(), s.P.data(), s.Y.data(), s.head.data()}; }

  // Adds a link with conductance P and flow correction Y to the system.
  void add_link(State &s, int k, double P, double Y) {
    const Sink out = sink(s);
    out.P[k] = P;
    out.Y[k] = Y;
    scatter(out, places[k], P, s.flow[k] - Y);
  }

  // Enters conductance P and the flow `through` (flow less correction) of a
  // link at its place; an end at a fixed head moves to the right-hand side.
  static void scatter(const Sink &out, const MatrixPlace &at, double P, double through) {
    if (at.r1 >= 0) {
      out.val[at.d1] += P;
      out.rhs[at.r1] -= through;
      if (at.r2 >= 0) {
        out.val[at.d2] += P;
        out.rhs[at.r2] += through;
        out.val[at.off] -= P;
      } else {
        out.rhs[at.r1] += P * out.head[at.n2];
      }
    } else if (at.r2 >= 0) {
      out.rhs[at.r2] += P * out.head[at.n1];
      out.val[at.d2] += P;
      out.rhs[at.r2] += through;
    }
  }

  // The pipes in the matrix: the same relation as link_gradient's, read from
  // compact copies, with each pipe's place in the matrix found once; one loop
  // per head-loss formula, so that no pipe branches on it.
  void add_core_pipes(State &s) {
    switch (net.model->options.headloss) {
      case HeadlossFormula::HazenWilliams: add_core_pipes_by<HeadlossFormula::HazenWilliams>(s); break;
      case HeadlossFormula::DarcyWeisbach: add_core_pipes_dw(s); break;
      case HeadlossFormula::ChezyManning: add_core_pipes_by<HeadlossFormula::ChezyManning>(s); break;
    }
  }

  template <HeadlossFormula Formula>
  ORV_CPU_DISPATCH void add_core_pipes_by(State &s) {
    const double viscosity = net.viscosity;
    const Sink out = sink(s);
    const double *flow = s.flow.data();
    const LinkState *status = s.status.data();
    std::array<ExpansionPoint, 2> *near = s.friction_near.data();
    for (std::size_t j = 0; j < core_pipes.size(); ++j) {
      const CorePipe &c = core_pipes[j];
      const double q = flow[c.link];
      Gradient g = closed(q);
      if (!is_closed(status[c.link])) {
        const Gradient open = open_pipe_gradient(core_terms[j], Formula, viscosity, q, near[c.link].data());
        if (usable(open)) g = open;
      }
      enter_core_pipe(out, c, g, q);
    }
  }

  // Darcy-Weisbach pipes go a few at a time (see darcy_weisbach_gradients).
  ORV_CPU_DISPATCH void add_core_pipes_dw(State &s) {
    constexpr int kLanes = 4;
    for (std::size_t j0 = 0; j0 < core_pipes.size(); j0 += kLanes) {
      const int count = static_cast<int>(std::min<std::size_t>(kLanes, core_pipes.size() - j0));
      bool open[kLanes];
      const PipeTerms *terms[kLanes];
      double q[kLanes];
      ExpansionPoint *near[kLanes];
      Gradient g[kLanes];
      for (int i = 0; i < count; ++i) {
        const int k = core_pipes[j0 + i].link;
        open[i] = !is_closed(s.status[k]);
        terms[i] = &core_terms[j0 + i];
        q[i] = s.flow[k];
        near[i] = s.friction_near[k].data();
      }
      darcy_weisbach_gradients<kLanes>(count, open, terms, q, near, net.viscosity, g);
      const Sink out = sink(s);
      for (int i = 0; i < count; ++i)
        enter_core_pipe(out, core_pipes[j0 + i], open[i] && usable(g[i]) ? g[i] : closed(q[i]), q[i]);
    }
  }

  // Runaway flows in parts cut off from every source must not make the
  // matrix singular: no link conducts less than a closed one.
  static bool usable(const Gradient &g) { return g.P >= 1.0 / kBigGradient && std::isfinite(g.Y); }
  static Gradient closed(double q) { return {1.0 / kBigGradient, q}; }

  // Enters a core pipe at flow q with gradient g (a closed one's when closed).
  static void enter_core_pipe(const Sink &out, const CorePipe &c, const Gradient &g, double q) {
    out.P[c.link] = g.P;
    out.Y[c.link] = g.Y;
    scatter(out, c.at, g.P, q - g.Y);
  }

  // Demands and the outflows of the dead-end trees: fixed for an instant
  // (deliveries that depend on pressure are added at each trial).
  void set_fixed_rhs(const State &s) {
    const bool pda = net.model->options.demand_model == DemandModel::PressureDriven;
    for (const RowNode &rn : rows)
      fixed_rhs[rn.row] = pda && s.demand[rn.node] > 0 ? 0.0 : -s.demand_flow[rn.node];
    for (const TreeLink &b : tree)
      if (slot[b.parent] >= 0) {
        // The pipe leaves its parent with tree_flow (or enters it, reversed).
        const bool down = net.links[b.link].n1 == b.parent;
        fixed_rhs[slot[b.parent]] += down ? -tree_flow[b.link] : tree_flow[b.link];
      }
  }

  // Net inflow from demands, emitters and the links that have a head-loss
  // relation, at the ends of valves holding a setting (balanced on it), the
  // only nodes where the assembly reads it; summed in network order.
  void balance_junctions(State &s) const {
    for (const BalancedNode &b : balanced_nodes) {
      const bool junction = net.nodes[b.node].kind == NodeKind::Junction;
      double excess = junction ? -s.demand_flow[b.node] - s.emitter_flow[b.node] : 0.0;
      for (int t = b.first; t < b.last; ++t) {
        const int k = balance_links[t].link;
        if (is_valve(net.links[k].kind) && holds_setting(s, k)) continue;
        if (balance_links[t].leaves) excess -= s.flow[k];
        else excess += s.flow[k];
      }
      s.excess[b.node] = excess;
    }
  }

  void find_balanced_nodes() {
    std::vector<int> index(net.nodes.size(), -1);
    for (const int k : setting_valves)
      for (const int node : {net.links[k].n1, net.links[k].n2})
        if (index[node] < 0) {
          index[node] = static_cast<int>(balanced_nodes.size());
          balanced_nodes.push_back({node, 0, 0});
        }
    std::vector<std::vector<Incidence>> incident(balanced_nodes.size());
    for (std::size_t k = 0; k < net.links.size(); ++k) {
      if (index[net.links[k].n1] >= 0) incident[index[net.links[k].n1]].push_back({static_cast<int>(k), true});
      if (index[net.links[k].n2] >= 0) incident[index[net.links[k].n2]].push_back({static_cast<int>(k), false});
    }
    for (std::size_t b = 0; b < balanced_nodes.size(); ++b) {
      balanced_nodes[b].first = static_cast<int>(balance_links.size());
      balance_links.insert(balance_links.end(), incident[b].begin(), incident[b].end());
      balanced_nodes[b].last = static_cast<int>(balance_links.size());
    }
  }

  // Assembles the matrix and rhs from the current flows and heads.
  ORV_CPU_DISPATCH void assemble(State &s) {
    const Options &o = net.model->options;
    factor.clear_values();
    double *val = factor.values();
    std::copy(fixed_rhs.begin(), fixed_rhs.end(), rhs.begin());
    // Without valves holding a setting the balances are not needed.
    if (!setting_valves.empty()) balance_junctions(s);
    for (const int i : emitters) {
      const int row = slot[i];
      const Gradient g = emitter_gradient(net.model->nodes[i].emitter_coeff, o.emitter_exponent,
                                          s.emitter_flow[i], o.emitter_backflow);
      val[diag_pos[row]] += g.P;
      rhs[row] += -(s.emitter_flow[i] - g.Y) + g.P * net.nodes[i].elevation;
    }
    if (o.demand_model == DemandModel::PressureDriven)
      for (const RowNode &rn : rows) {
        const int i = rn.node;
        if (!(s.demand[i] > 0)) continue;
        const Gradient g = demand_gradient(s.demand_flow[i], s.demand[i], pressure_range(),
                                           o.pressure_exponent);
        val[diag_pos[rn.row]] += g.P;
        rhs[rn.row] += -(s.demand_flow[i] - g.Y) + g.P * (net.nodes[i].elevation + o.minimum_pressure);
      }
    for (const int k : valves) pinned[k] = pin_state(s, k);
    add_core_pipes(s);
    for (const int k : other_links) {
      if (is_valve(net.links[k].kind) && holds_setting(s, k)) continue;
      if (pinned[k] == Pinned::Pbv) {
        // Holds the head loss at the setting; a stiffness well below that of
        // pinned heads keeps round-off in head differences out of its flow.
        add_link(s, k, kPbvConductance, s.setting[k] * kPbvConductance);
        continue;
      }
      const Gradient g = link_gradient(net, s, k);
      const Gradient entered = usable(g) ? g : closed(s.flow[k]);
      add_link(s, k, entered.P, entered.Y);
    }
    // Valves holding a setting, in network order: each sees the balance left
    // by the links and by the flow valves before it.
    for (const int k : setting_valves) {
      if (!holds_setting(s, k)) continue;
      const LinkData &l = net.links[k];
      const int r1 = slot[l.n1], r2 = slot[l.n2];
      const double q = s.flow[k];
      switch (pinned[k]) {
        case Pinned::Prv: case Pinned::Psv: {
          // The controlled node is held at the setting; the valve is given the
          // flow that balances that node (what it lacks downstream of a PRV,
          // what arrives upstream of a PSV).
          const bool prv = pinned[k] == Pinned::Prv;
          const int held = prv ? r2 : r1;
          if (held < 0) break;
          const double excess = prv ? s.excess[l.n2] : s.excess[l.n1];
          s.P[k] = 0;
          s.Y[k] = prv ? q + excess : q - excess;
          if (prv && excess < 0 && r1 >= 0) rhs[r1] += excess;
          if (!prv && excess > 0 && r2 >= 0) rhs[r2] += excess;
          val[diag_pos[held]] += kBigConductance;
          rhs[held] += kBigConductance * valve_head_setting(net, s, k);
          if (!prv && places[k].off >= 0) {
            // A thread of conductance keeps the downstream side connected.
            val[places[k].off] -= 1.0 / kBigGradient;
            val[diag_pos[r2]] += 1.0 / kBigGradient;
          }
          continue;
        }
        case Pinned::Fcv:
          // The flow setting leaves the upstream node and enters the downstream one.
          s.excess[l.n1] -= s.setting[k];
          s.excess[l.n2] += s.setting[k];
          add_link(s, k, 1.0 / kBigGradient, q - s.setting[k]);
          continue;
        default:
          break;
      }
      const Gradient g = link_gradient(net, s, k);
      add_link(s, k, g.P, g.Y);
    }
  }

  // Updates flows from the new heads; returns the relative flow change.
  ORV_CPU_DISPATCH double update_flows(State &s) {
    const Options &o = net.model->options;
    // The largest change and the core pipes' arrays in locals: kept in the
    // members and vectors, each store of a flow would make the compiler store
    // and load them again, a chain through memory from pipe to pipe.
    double qsum = 0, dqsum = 0, largest = 0;
    {
      const double relax = s.relax;
      const double *P = s.P.data(), *Y = s.Y.data(), *head = s.head.data();
      double *flow = s.flow.data();
      for (const CorePipe &c : core_pipes) {
        const int k = c.link;
        const double dq = relax * (Y[k] - P[k] * (head[c.at.n1] - head[c.at.n2]));
        flow[k] -= dq;
        largest = std::max(largest, std::abs(dq));
        qsum += std::abs(flow[k]);
        dqsum += std::abs(dq);
      }
    }
    for (const int k : other_links) {
      const LinkData &l = net.links[k];
      double dq = s.relax * (s.Y[k] - s.P[k] * (s.head[l.n1] - s.head[l.n2]));
      // A constant-power pump's flow must stay positive (its head is c/q): halve
      // it instead. An open pump in series with a valve that fixes its own flow
      // lands on zero up to round-off; that counts as reaching zero, or the pump
      // would stall for good with its gradient beyond a closed link's. A closed
      // one only leaks, and keeps its leakage.
      if (l.kind == LinkKind::Pump && l.pump_type == PumpType::ConstantPower &&
          s.flow[k] - dq < (is_closed(s.status[k]) ? 0.0 : kTiny))
        dq = s.flow[k] / 2.0;
      s.flow[k] -= dq;
      largest = std::max(largest, std::abs(dq));
      qsum += std::abs(s.flow[k]);
      dqsum += std::abs(dq);
    }
    // Tree pipes move to their flows in the instant's first update (the core
    // sees them as fixed outflows, so no later update changes them).
    if (tree_flows_pending) {
      tree_flow_sum = 0;
      for (const TreeLink &b : tree) {
        const double dq = s.flow[b.link] - tree_flow[b.link];
        s.flow[b.link] = tree_flow[b.link];
        largest = std::max(largest, std::abs(dq));
        tree_flow_sum += std::abs(tree_flow[b.link]);
        dqsum += std::abs(dq);
      }
      tree_flows_pending = false;
    }
    qsum += tree_flow_sum;
    // Emitters, then deliveries: summed in the order the reference sums them.
    for (const int i : emitters) {
      const Gradient g = emitter_gradient(net.model->nodes[i].emitter_coeff, o.emitter_exponent,
                                          s.emitter_flow[i], o.emitter_backflow);
      const double dq = s.relax * (g.Y - g.P * (s.head[i] - net.nodes[i].elevation));
      s.emitter_flow[i] -= dq;
      largest = std::max(largest, std::abs(dq));
      qsum += std::abs(s.emitter_flow[i]);
      dqsum += std::abs(dq);
    }
    if (o.demand_model == DemandModel::PressureDriven) {
      for (std::size_t i = 0; i < net.nodes.size(); ++i) {
        if (net.nodes[i].row < 0 || !(s.demand[i] > 0)) continue;
        const Gradient g = demand_gradient(s.demand_flow[i], s.demand[i], pressure_range(),
                                           o.pressure_exponent);
        // A step of delivered demand is limited to 0.4 of the full demand.
        const double limit = 0.4 * s.demand[i];
        const double dq = std::clamp(
            s.relax * (g.Y - g.P * (s.head[i] - net.nodes[i].elevation - o.minimum_pressure)), -limit, limit);
        s.demand_flow[i] -= dq;
        largest = std::max(largest, std::abs(dq));
        qsum += std::abs(s.demand_flow[i]);
        dqsum += std::abs(dq);
      }
    }
    max_flow_change = largest;
    // With hardly any flow, the absolute change (in cfs, as customary) is the measure.
    const double accuracy = net.model->options.accuracy;
    return qsum > accuracy * kCfs ? dqsum / qsum : dqsum / kCfs;
  }

  // Pressure range of pressure-driven demand, never narrower than the smallest allowed.
  double pressure_range() const {
    const Options &o = net.model->options;
    return std::max(o.required_pressure - o.minimum_pressure, kMinPressureRange);
  }

  // Converged: the relative flow change within ACCURACY, then, when given, the
  // head-loss error of every open link (at its new flow) within HEADERROR and
  // the largest flow change within FLOWCHANGE, and pressure-driven deliveries
  // consistent with the pressures.
  bool balanced(const State &s, double relerr) const {
    const Options &o = net.model->options;
    if (relerr > o.accuracy) return false;
    if (o.head_error > 0) {
      for (std::size_t kk = 0; kk < net.links.size(); ++kk) {
        const int k = static_cast<int>(kk);
        const LinkData &l = net.links[k];
        // Valves holding a pressure or flow setting have no head-loss relation
        // to check; tree pipes meet theirs by construction.
        if (is_closed(s.status[k]) || holds_setting(s, k) || in_tree[k]) continue;
        double loss;
        if (pinned[k] == Pinned::Pbv) {
          loss = s.setting[k];
        } else {
          const Gradient g = link_gradient(net, s, k);
          if (!(g.P > 0)) continue;
          loss = g.Y / g.P;
        }
        if (std::abs(s.head[l.n1] - s.head[l.n2] - loss) > o.head_error) return false;
      }
    }
    if (o.flow_change > 0 && max_flow_change > o.flow_change) return false;
    if (o.demand_model == DemandModel::PressureDriven && !deliveries_settled(s)) return false;
    return true;
  }

  // Pressure-driven deliveries agree with the demand relation at the current
  // pressures within 1e-4 cfs.
  bool deliveries_settled(const State &s) const {
    const Options &o = net.model->options;
    const double tol = 1e-4 * kCfs;
    const double dp = o.required_pressure - o.minimum_pressure;
    for (std::size_t i = 0; i < net.nodes.size(); ++i) {
      if (net.nodes[i].row < 0 || !(s.demand[i] > 0)) continue;
      const double p = s.head[i] - net.nodes[i].elevation;
      double q;
      if (p <= o.minimum_pressure) q = 0;
      else if (p >= o.required_pressure) q = s.demand[i];
      else q = s.demand[i] * std::pow((p - o.minimum_pressure) / dp, o.pressure_exponent);
      if (std::abs(q - s.demand_flow[i]) > tol) return false;
    }
    return true;
  }

  // Factorises A; on failure (a zero or non-finite pivot) returns the node of
  // the offending row, else -1. Pivots made slightly negative by round-off in
  // parts held only by closed links still give usable heads elsewhere.
  int factorise() {
    const int r = factor.factorise();
    return r < 0 ? -1 : node_of_row(r);
  }

  int node_of_row(int r) const {
    for (std::size_t i = 0; i < slot.size(); ++i)
      if (slot[i] == r) return static_cast<int>(i);
    return 0;
  }

  // An active PRV, PSV or FCV at the node of an ill-conditioned row is the
  // usual cause (a setting the network cannot honour): it is released from its
  // setting (it then reports that it cannot meet it) and the iteration repeated.
  bool release_bad_valve(State &s, int node) const {
    for (std::size_t k = 0; k < net.links.size(); ++k) {
      const LinkData &l = net.links[k];
      if (!is_valve(l.kind) || (l.n1 != node && l.n2 != node)) continue;
      if ((l.kind == LinkKind::PRV || l.kind == LinkKind::PSV || l.kind == LinkKind::FCV) &&
          s.status[k] == LinkState::Active) {
        s.status[k] = l.kind == LinkKind::FCV ? LinkState::XFcv : LinkState::XPressure;
        return true;
      }
      return false;
    }
    return false;
  }

  void trace_changes(const std::vector<LinkState> &before, const State &s) const {
    static constexpr const char *kNames[] = {"closed (head)", "temporarily closed", "closed", "open",
                                             "active", "open (flow)", "open (FCV)", "open (pressure)"};
    for (std::size_t k = 0; k < net.links.size(); ++k)
      if (s.status[k] != before[k])
        std::fprintf(trace, "  %s switched from %s to %s\n", net.model->links[k].id.c_str(),
                     kNames[static_cast<int>(before[k])], kNames[static_cast<int>(s.status[k])]);
  }

  // Flows of the tree pipes from the demands, leaves first.
  void set_tree_flows(const State &s) {
    for (const TreeLink &b : tree) tree_out[b.node] = 0.0;
    for (const TreeLink &b : tree) {
      const double out = s.demand_flow[b.node] + tree_out[b.node];
      tree_out[b.parent] += out;
      tree_flow[b.link] = net.links[b.link].n1 == b.parent ? out : -out;
    }
    tree_losses_current = false;
    tree_flows_pending = true;
  }

  // Heads of the tree nodes from their parents', once the pipes carry their
  // flows (from the first trial of an instant on).
  void set_tree_heads(State &s) {
    if (!tree_losses_current) {
      for (std::size_t j = 0; j < tree.size(); ++j) {
        const Gradient g = link_gradient(net, s, tree[j].link);
        tree_loss[j] = g.Y / g.P;
      }
      tree_losses_current = true;
    }
    for (std::size_t j = tree.size(); j-- > 0;) {
      const TreeLink &b = tree[j];
      const bool down = net.links[b.link].n1 == b.parent;
      s.head[b.node] = down ? s.head[b.parent] - tree_loss[j] : s.head[b.parent] + tree_loss[j];
    }
  }

  // Heads of the matrix rows from the solution, up to the first that is not
  // finite; false if there is one.
  bool take_heads(State &s) const {
    const bool finite = all_finite(rhs);
    for (const RowNode &rn : rows) {
      if (!finite && !std::isfinite(rhs[rn.row])) return false;
      s.head[rn.node] = rhs[rn.row];
    }
    return true;
  }

  ORV_CPU_DISPATCH SolveOutcome solve(State &s) {
    const Options &o = net.model->options;
    if (!tree.empty()) set_tree_flows(s);
    set_fixed_rhs(s);
    SolveOutcome out;
    const int trials = o.trials;
    const int max_trials = trials + std::max(o.unbalanced_continue, 0);
    int next_check = o.check_freq;
    std::vector<LinkState> before_check = s.status;
    s.relax = 1.0;
    for (int iter = 1; iter <= max_trials;) {
      out.iterations = iter;
      assemble(s);
      if (analysed) {
        const int bad = factorise();
        if (bad >= 0) {
          if (release_bad_valve(s, bad)) continue;  // the same trial again
          out.singular = true;
          return out;
        }
        factor.solve(rhs.data());
        if (!take_heads(s)) {
          out.singular = true;
          return out;
        }
      }
      const double relerr = update_flows(s);
      if (!tree.empty()) set_tree_heads(s);
      out.relative_error = relerr;
      const std::vector<LinkState> traced = trace ? s.status : std::vector<LinkState>{};
      if (trace) std::fprintf(trace, "Trial %2d: relative flow change = %f\n", iter, relerr);
      // Pressure valves are examined at every trial (once within DAMPLIMIT,
      // when one is given, from where flow changes are also damped).
      bool valve_change = false;
      s.relax = 1.0;
      if (o.damp_limit > 0) {
        if (relerr <= o.damp_limit) {
          s.relax = 0.6;
          valve_change = check_pressure_valves(net, s, pressure_valve_list);
        }
      } else {
        valve_change = check_pressure_valves(net, s, pressure_valve_list);
      }
      if (balanced(s, relerr)) {
        out.converged = true;
        if (iter > trials) break;  // balanced only in the extra trials: may be unstable
        before_check = s.status;
        bool change = valve_change;
        change |= check_links(net, s, checked_link_list);
        change |= apply_pressure_switches(net, s);
        if (!change) break;
        out.converged = false;
        next_check = iter + o.check_freq;
      } else if (iter <= o.max_check && iter == next_check) {
        before_check = s.status;
        check_links(net, s, checked_link_list);
        next_check += o.check_freq;
      }
      if (trace) trace_changes(traced, s);
      ++iter;
    }
    if (!out.converged)
      for (std::size_t k = 0; k < net.links.size(); ++k)
        if (s.status[k] != before_check[k]) out.unsettled.push_back(static_cast<int>(k));
    return out;
  }
};

GradientSolver::GradientSolver(const Net &net, std::FILE *trace, std::shared_ptr<const SolverLayout> layout)
    : impl_(std::make_unique<Impl>(net, trace, std::move(layout))) {}
GradientSolver::~GradientSolver() = default;
SolveOutcome GradientSolver::solve(State &s) { return impl_->solve(s); }

}  // namespace orv::hyd
