#include "quality/transport.hpp"

#include <algorithm>
#include <cmath>
#include <optional>

#include "hydraulics/constants.hpp"
#include "hydraulics/network.hpp"
#include "model/units.hpp"

namespace orv::wq {
namespace {

using hyd::kQzero;
const double kQstagnant = 0.005 / units::flow(FlowUnits::GPM);  // 0.005 gpm: a link's flow taken as none (m3/s)
constexpr double kLitresPerM3 = units::kLitresPerCubicMetre;
constexpr double kTraced = 100.0;  // percent of the trace node's own outflow

}  // namespace

Transport::Transport(const Model &model, Conventions conventions)
    : m_(model),
      conventions_(conventions),
      kinetics_(model),
      kind_(model.options.quality),
      by_birth_(kind_ == QualityKind::Age),
      // Parcels merge when their qualities differ by less than the tolerance;
      // a difference of exactly the tolerance (say 0.09 and 0.08 against
      // 0.01) keeps them apart whichever way the binary rounding falls.
      tolerance_(model.options.quality_tolerance * (1.0 - 1e-9)),
      nn_(model.nodes.size()),
      nl_(model.links.size()),
      nt_(model.tanks.size()),
      chains_(model.links.size() + model.tanks.size()) {
  if (kind_ == QualityKind::Trace) trace_node_ = model.find_node(model.options.trace_node);

  link_volume_.assign(nl_, 0.0);
  for (std::size_t k = 0; k < nl_; ++k) {
    const Link &l = model.links[k];
    const bool holds_water = l.kind == LinkKind::Pipe ||
                             (l.kind == LinkKind::CVPipe && conventions_.check_valve_pipes_hold_water);
    const double quarter_pi = conventions_.rounded_pipe_volumes ? 0.785398 : std::numbers::pi / 4.0;
    if (holds_water) link_volume_[k] = quarter_pi * l.diameter * l.diameter * l.length;
    else volumeless_.push_back(static_cast<int>(k));
    // Only pipes hold water long enough to react; pumps and valves pass it on.
    if (link_volume_[k] != 0.0 && kinetics_.reacts_in_pipe(static_cast<int>(k)))
      reacting_pipes_.push_back(static_cast<int>(k));
  }

  mixing_.resize(nt_);
  for (std::size_t t = 0; t < nt_; ++t) {
    const Tank &tank = model.tanks[t];
    mixing_[t].model = tank.mixing;
    mixing_[t].tolerance = tolerance_;
    const double vmax = hyd::tank_data(model, tank).vmax;
    mixing_[t].mixing_volume = std::clamp(tank.mix_fraction, 0.0, 1.0) * vmax;
    mixing_[t].capacity = vmax;
  }

  // The few facts the step loops ask of every node and link, kept compact.
  ends_.resize(nl_);
  for (std::size_t k = 0; k < nl_; ++k) ends_[k] = {model.links[k].from, model.links[k].to};
  node_kind_.resize(nn_);
  has_source_.assign(nn_, 0);
  for (std::size_t n = 0; n < nn_; ++n) {
    node_kind_[n] = model.nodes[n].kind;
    has_source_[n] = model.nodes[n].source && model.nodes[n].source->strength != 0.0;
  }
  mixes_only_.assign(nn_, 0);
  for (std::size_t n = 0; n < nn_; ++n)
    mixes_only_[n] = node_kind_[n] == NodeKind::Junction && static_cast<int>(n) != trace_node_ &&
                     !(kind_ == QualityKind::Chemical && has_source_[n]);

  // Links at each node, compressed rows.
  adj_start_.assign(nn_ + 1, 0);
  for (const Link &l : model.links) {
    ++adj_start_[l.from + 1];
    if (l.to != l.from) ++adj_start_[l.to + 1];
  }
  for (std::size_t n = 0; n < nn_; ++n) adj_start_[n + 1] += adj_start_[n];
  adj_link_.resize(adj_start_[nn_]);
  std::vector<int> fill(adj_start_.begin(), adj_start_.end() - 1);
  for (std::size_t k = 0; k < nl_; ++k) {
    const Link &l = model.links[k];
    adj_link_[fill[l.from]++] = static_cast<int>(k);
    if (l.to != l.from) adj_link_[fill[l.to]++] = static_cast<int>(k);
  }

  // Initial qualities; a trace starts from 0 everywhere but at the trace
  // node, except that the water stored in tanks keeps its given initial value
  // (the share, in percent, taken to come from the trace node).
  node_q_.assign(nn_, 0.0);
  if (kind_ != QualityKind::Trace)
    for (std::size_t n = 0; n < nn_; ++n) node_q_[n] = model.nodes[n].initial_quality;
  if (trace_node_ != kNone) node_q_[trace_node_] = kTraced;
  initial_q_ = node_q_;
  tank_q_.assign(nt_, 0.0);
  for (std::size_t t = 0; t < nt_; ++t) {
    const int node = model.tanks[t].node;
    if (node >= 0 && node < static_cast<int>(nn_)) tank_q_[t] = model.nodes[node].initial_quality;
  }
  for (double &q : node_q_) q = flip(q);
  for (double &q : tank_q_) q = flip(q);
  out_q_ = node_q_;
  held_v_.assign(nl_, 0.0);
  held_m_.assign(nl_, 0.0);
  dir_.assign(nl_, 0);
  head_.assign(nl_, 1);
  set_aside_.assign(nl_, 0);
  position_.assign(nn_, 0);
  seen_.assign(nn_, 0);
}


void Transport::set_final_tank_volumes(const std::vector<double> &volume) {
  if (!conventions_.full_tanks_by_final_volume) return;
  for (std::size_t t = 0; t < nt_ && t < volume.size(); ++t)
    mixing_[t].fixed_full = mixing_[t].capacity > 0.0 && volume[t] >= mixing_[t].capacity * (1.0 - 1e-6);
}

int Transport::downstream(int k) const { return dir_[k] < 0 ? ends_[k].from : ends_[k].to; }

int Transport::upstream(int k) const { return dir_[k] < 0 ? ends_[k].to : ends_[k].from; }

void Transport::load(const Period &p) {
  // Reactions walk every parcel at every step: that walk pays for laying the
  // chains out again once they have scattered (without reactions it does not).
  if (!by_birth_ && kinetics_.active() && chains_.scattered()) chains_.compact();
  flow_ = p.flow;
  demand_ = p.demand;
  flow_.resize(nl_, 0.0);
  demand_.resize(nn_, 0.0);
  period_start_ = p.start;
  bool turned = !loaded_;
  // Flows too small to set a direction that still move water: the order
  // between their ends is the sort's own, which no mended order reproduces.
  bool creeping = false;
  for (std::size_t k = 0; k < nl_; ++k) {
    // Flows below the solver's noise set no direction: left in, they would
    // turn a pipe back and forth from one period to the next.
    const bool standstill = std::abs(flow_[k]) < kQstagnant;
    if (standstill && !conventions_.standstill_flows_move) flow_[k] = 0.0;
    const std::int8_t d = standstill ? 0 : (flow_[k] > 0 ? 1 : -1);
    creeping |= standstill && flow_[k] != 0.0;
    if (!loaded_) {
      // Every link starts full of the water of its end node (as drawn, not
      // as flowing: the initial qualities describe the network at rest).
      if (link_volume_[k] > 0.0) {
        chains_.push_last(static_cast<int>(k), link_volume_[k], node_q_[m_.links[k].to]);
        held_v_[k] = link_volume_[k];
        held_m_[k] = link_volume_[k] * node_q_[m_.links[k].to];
      }
    }
    // A chain runs from the downstream end; a link without flow keeps its
    // chain as it lies, to be turned when the flow resumes the other way.
    const std::int8_t lies = conventions_.turn_after_standstill ? head_[k] : dir_[k];
    if (d * lies < 0) {
      chains_.reverse(static_cast<int>(k));
      head_[k] = d;
    }
    if (dir_[k] != d) {
      turned = true;
      if (d != 0) turned_links_.push_back(static_cast<int>(k));
    }
    dir_[k] = d;
  }
  if (!loaded_) {
    for (std::size_t t = 0; t < nt_; ++t) {
      if (m_.tanks[t].reservoir) continue;
      const double v = t < p.tank_volume.size() ? std::max(0.0, p.tank_volume[t]) : 0.0;
      init_tank(chains_, static_cast<int>(nl_ + t), mixing_[t], v, tank_q_[t]);
    }
    loaded_ = true;
  }
  kinetics_.set_flows(flow_);
  // The order and the visits depend on the flow directions alone: when no
  // flow turned, only the rates change. When some did, the order is mended
  // where those links now run against it; any order along every flow gives
  // the same step, as each node then takes from its links only after their
  // upstream nodes have fed them. Where flow runs in a loop, or creeps, the
  // nodes are sorted afresh.
  if (!turned) {
    refresh_rates();
    return;
  }
  if (!order_follows_flow_ || creeping || !mend_order()) sort_nodes();
  turned_links_.clear();
  plan_visits();
}

bool Transport::follows_flow() const {
  for (std::size_t k = 0; k < nl_; ++k) {
    const int u = upstream(static_cast<int>(k)), v = downstream(static_cast<int>(k));
    if (dir_[k] != 0 && u != v && position_[u] > position_[v]) return false;
  }
  return true;
}

bool Transport::flowing(int k) const { return dir_[k] != 0 && !set_aside_[k]; }

// The turned links are set aside, then put back one at a time, each moving
// only the nodes between its ends that must follow it (the dynamic
// topological order of Pearce and Kelly). False where one closes a loop or
// the mending grows dearer than a sort.
bool Transport::mend_order() {
  // Where many flows turn at once, one sort costs less than many mends.
  if (64 * turned_links_.size() > nn_ + nl_) return false;
  mend_budget_ = static_cast<long>(2 * (nn_ + nl_));
  for (const int k : turned_links_) set_aside_[k] = 1;
  bool mended = true;
  for (const int k : turned_links_) {
    set_aside_[k] = 0;
    const int u = upstream(k), v = downstream(k);
    if (u != v && position_[u] > position_[v] && !move_after(u, v)) {
      mended = false;
      break;
    }
  }
  for (const int k : turned_links_) set_aside_[k] = 0;
  return mended;
}

// Reorders so that u comes before v, given a flow from u to v and v now
// before u: what v feeds (up to u's place) moves after what feeds u (down to
// v's place), both keeping their order, into the places they held. False
// where that closes a loop or the mending has cost what a sort would.
bool Transport::move_after(int u, int v) {
  const int low = position_[v], high = position_[u];
  ++epoch_;
  std::vector<int> &fed = fed_, &feeding = feeding_, &places = places_;
  fed.assign(1, v);
  feeding.assign(1, u);
  seen_[v] = seen_[u] = epoch_;
  // What v feeds, short of u's place (reaching u itself closes a loop);
  // what feeds u, beyond v's place.
  if (!reach(fed, true, high, u)) return false;
  reach(feeding, false, low, -1);
  mend_budget_ -= static_cast<long>(4 * (fed.size() + feeding.size()));
  if (mend_budget_ < 0) return false;
  auto by_position = [&](int a, int b) { return position_[a] < position_[b]; };
  std::sort(fed.begin(), fed.end(), by_position);
  std::sort(feeding.begin(), feeding.end(), by_position);
  // Both lists are in order of place now: their places merge in one pass.
  places.clear();
  for (const int n : feeding) places.push_back(position_[n]);
  for (const int n : fed) places.push_back(position_[n]);
  std::inplace_merge(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(feeding.size()), places.end());
  std::size_t i = 0;
  for (const int n : feeding) place(n, places[i++]);
  for (const int n : fed) place(n, places[i++]);
  return true;
}

// Extends `found` (its first node given and seen) by the nodes reached from
// it along the flow (`along`) or against it whose places lie short of
// `bound`; false if the search meets `stop`.
bool Transport::reach(std::vector<int> &found, bool along, int bound, int stop) {
  for (std::size_t i = 0; i < found.size(); ++i) {
    const int w = found[i];
    mend_budget_ -= adj_start_[w + 1] - adj_start_[w];
    for (int a = adj_start_[w]; a < adj_start_[w + 1]; ++a) {
      const int k = adj_link_[a];
      if (!flowing(k) || (along ? upstream(k) : downstream(k)) != w) continue;
      const int x = along ? downstream(k) : upstream(k);
      if (x == stop) return false;
      const bool short_of_bound = along ? position_[x] < bound : position_[x] > bound;
      if (x != w && seen_[x] != epoch_ && short_of_bound) {
        seen_[x] = epoch_;
        found.push_back(x);
      }
    }
  }
  return true;
}

void Transport::place(int n, int position) {
  order_[position] = n;
  position_[n] = position;
}

// The rates of the planned visits from this period's flows, summed as
// plan_visits sums them (a node's outflow rate over its links in adjacency
// order, where a link that starts and ends at the node is an inflow only).
void Transport::refresh_rates() {
  for (LinkRate &r : inflows_) r.rate = std::abs(flow_[r.link]);
  for (LinkRate &r : outflows_) r.rate = std::abs(flow_[r.link]);
  for (std::size_t j = 0; j < visits_.size(); ++j) {
    NodeVisit &v = visits_[j];
    v.out_rate = 0.0;
    const int out_end = j + 1 < visits_.size() ? visits_[j + 1].out_begin : static_cast<int>(outflows_.size());
    for (int i = v.out_begin; i < out_end; ++i)
      if (ends_[outflows_[i].link].from != ends_[outflows_[i].link].to) v.out_rate += outflows_[i].rate;
    if (node_kind_[v.node] == NodeKind::Junction) v.out_rate += std::max(0.0, demand_[v.node]);
  }
}

// What each step does at each node, in order, for the flows of this period:
// the links it takes water from, the rate it passes on, the links it feeds.
void Transport::plan_visits() {
  // Written through pointers into room for every link end: this runs in
  // every period in which some flow turned, and a push at a time costs more
  // than the visits it plans.
  visits_.resize(order_.size());
  inflows_.resize(adj_link_.size());
  outflows_.resize(adj_link_.size());
  LinkRate *const in_first = inflows_.data(), *const out_first = outflows_.data();
  LinkRate *in = in_first, *out = out_first;
  NodeVisit *visit = visits_.data();
  for (const int n : order_) {
    NodeVisit &v = *visit++;
    v.node = n;
    v.in_begin = static_cast<int>(in - in_first);
    v.out_begin = static_cast<int>(out - out_first);
    double out_rate = 0.0;
    for (int a = adj_start_[n]; a < adj_start_[n + 1]; ++a) {
      const int k = adj_link_[a];
      const double rate = std::abs(flow_[k]);
      // A link that starts and ends at n is both.
      if (downstream(k) == n) *in++ = {k, rate};
      else out_rate += rate;
      if (upstream(k) == n) *out++ = {k, rate};
    }
    if (node_kind_[n] == NodeKind::Junction) out_rate += std::max(0.0, demand_[n]);
    v.out_rate = out_rate;
    v.in_end = static_cast<int>(in - in_first);
  }
  inflows_.resize(static_cast<std::size_t>(in - in_first));
  outflows_.resize(static_cast<std::size_t>(out - out_first));
}

// Topological order of the nodes along the flow (depth first). Where flow
// runs in a loop (possible only through pumps) the order resumes at a node
// next to the most recently ordered one, so that the loop is entered where
// the water comes from.
void Transport::sort_nodes() {
  std::vector<int> indegree(nn_, 0), stack;
  for (std::size_t k = 0; k < nl_; ++k)
    if (dir_[k] != 0) ++indegree[downstream(static_cast<int>(k))];
  stack.reserve(nn_);
  for (std::size_t n = 0; n < nn_; ++n)
    if (indegree[n] == 0) stack.push_back(static_cast<int>(n));
  order_.clear();
  order_.reserve(nn_);
  while (order_.size() < nn_) {
    if (stack.empty()) {
      const int j = loop_entry(indegree);
      indegree[j] = 0;
      stack.push_back(j);
    }
    const int i = stack.back();
    stack.pop_back();
    order_.push_back(i);
    // Links are visited from the last to the first, the order in which the
    // reference engine lists them; it decides where loops are entered.
    for (int a = adj_start_[i + 1] - 1; a >= adj_start_[i]; --a) {
      const int k = adj_link_[a];
      if (dir_[k] == 0 || upstream(k) != i) continue;
      const int j = downstream(k);
      if (j != i && indegree[j] > 0 && --indegree[j] == 0) stack.push_back(j);
    }
  }
  for (std::size_t p = 0; p < nn_; ++p) position_[order_[p]] = static_cast<int>(p);
  order_follows_flow_ = follows_flow();
}

// Where a flow loop blocks the order: an unordered neighbour of the most
// recently ordered node that has one, else the first unordered node.
int Transport::loop_entry(const std::vector<int> &indegree) const {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it)
    for (int a = adj_start_[*it + 1] - 1; a >= adj_start_[*it]; --a) {
      const Link &l = m_.links[adj_link_[a]];
      const int other = l.from == *it ? l.to : l.from;
      if (indegree[other] > 0) return other;
    }
  for (std::size_t n = 0; n < nn_; ++n)
    if (indegree[n] > 0) return static_cast<int>(n);
  return 0;
}

// Takes volume v from the downstream end of link k into its downstream node.
void Transport::inflow_from(int k, double v, double &vin, double &win) {
  double taken_v = 0.0, taken_m = 0.0;
  while (v > 0.0) {
    const int s = chains_.first(k);
    if (s < 0) break;
    Segment &seg = chains_.at(s);
    const double vseg = std::min(seg.v, v);
    taken_v += vseg;
    taken_m += vseg * seg.c;
    v -= vseg;
    if (v >= 0.0 && vseg >= seg.v) chains_.pop_first(k);
    else seg.v -= vseg;
  }
  vin += taken_v;
  win += taken_m;
  // Taking most of what a link held would leave its running sums as the
  // rounding error of a large difference (a short pipe flushed many times
  // over in a step): sum what is left instead.
  if (taken_v > 0.5 * held_v_[k]) resum(k);
  else hold(k, -taken_v, -taken_m);
}

void Transport::resum(int k) {
  double v = 0.0, m = 0.0;
  for (int s = chains_.first(k); s >= 0; s = chains_.at(s).next) {
    v += chains_.at(s).v;
    m += chains_.at(s).v * chains_.at(s).c;
  }
  held_v_[k] = v;
  held_m_[k] = m;
}

// Keeps the volume and mass a link holds in step with its chain, so that its
// mean quality needs no walk along the chain; an emptied chain resets them.
void Transport::hold(int k, double v, double m) {
  if (chains_.first(k) < 0) {
    held_v_[k] = held_m_[k] = 0.0;
    return;
  }
  held_v_[k] += v;
  held_m_[k] += m;
}

// Puts volume v of quality c into the upstream end of link k, merged with the
// newest parcel when their qualities are within the tolerance.
void Transport::release_into(int k, double v, double c) {
  if (v == 0.0) return;
  const int s = chains_.last(k);
  if (s >= 0 && std::abs(chains_.at(s).c - c) < tolerance_) {
    Segment &seg = chains_.at(s);
    seg.c = (seg.c * seg.v + c * v) / (seg.v + v);
    seg.v += v;
  } else {
    chains_.push_last(k, v, c);
  }
  hold(k, v, v * c);
}

// Mean quality of the water next to a junction that receives no flow.
double Transport::stagnant_quality(int n) const {
  double sum = 0.0;
  int count = 0;
  for (int a = adj_start_[n]; a < adj_start_[n + 1]; ++a) {
    const int k = adj_link_[a];
    const int s = downstream(k) == n ? chains_.first(k) : chains_.last(k);
    if (s < 0) continue;
    sum += chains_.at(s).c;
    ++count;
  }
  return count > 0 ? sum / count : flip(0.0);
}

std::optional<double> Transport::source_quality(int n, double vin, double vout, double dt) const {
  if (kind_ != QualityKind::Chemical || !has_source_[n]) return std::nullopt;
  const Node &node = m_.nodes[n];
  if (dt <= 0 || vout / dt <= kQzero) return std::nullopt;  // sources act on outflow only
  const Source &src = *node.source;
  double c = src.strength * m_.pattern_factor(src.pattern, period_start_);
  switch (src.kind) {
    case SourceKind::Concentration:
      // At a junction the source concentration applies to external inflow
      // only, as its share of all the water the junction receives (not of its
      // outflow, which differs from the inflow by the solver's imbalance).
      if (node.kind == NodeKind::Junction) c = demand_[n] < 0.0 && vin > 0.0 ? c * -demand_[n] * dt / vin : 0.0;
      break;
    case SourceKind::Mass:  // mass per minute spread over the outflow
      c = c / 60.0 * dt / (vout * kLitresPerM3);
      break;
    case SourceKind::Setpoint: c = std::max(c - node_q_[n], 0.0); break;
    case SourceKind::FlowPaced: break;
  }
  return c;
}

double Transport::node_outflow_quality(int n, double vin, double win, double vout, double dt) {
  const NodeKind kind = node_kind_[n];
  if (kind == NodeKind::Junction) {
    const double external = -std::min(0.0, demand_[n]) * dt;  // brings no substance, new water
    vin += external;
    win += external * flip(0.0);
    // Without inflow a junction keeps its quality, unless the water next to
    // it reacts or ages: then it takes the mean quality of that water.
    if (vin > 0.0) node_q_[n] = win / vin;
    else if (kinetics_.active()) node_q_[n] = stagnant_quality(n);
    else node_q_[n] = out_q_[n];
    if (mixes_only_[n]) return out_q_[n] = node_q_[n];  // most nodes: what leaves is the mixture
  } else if (kind == NodeKind::Tank && m_.nodes[n].tank != kNone) {
    const int t = m_.nodes[n].tank;
    tank_q_[t] = mix_tank(chains_, static_cast<int>(nl_ + t), mixing_[t], vin, win, vin - vout, tank_q_[t]);
    node_q_[n] = tank_q_[t];
  } else if (kind == NodeKind::Reservoir) {
    node_q_[n] = flip(initial_q_[n]);
  }
  if (n == trace_node_) {
    node_q_[n] = out_q_[n] = kTraced;
    return kTraced;
  }
  // What leaves the node, source included, is also what the node reports. A
  // concentration source at a tank or reservoir sets the quality it releases;
  // a reservoir that releases nothing keeps reporting its last release
  // (sources act in chemical runs only).
  const std::optional<double> added = source_quality(n, vin, vout, dt);
  if (added) {
    const bool replaces = kind != NodeKind::Junction && m_.nodes[n].source->kind == SourceKind::Concentration;
    out_q_[n] = replaces ? *added : node_q_[n] + *added;
  } else if (kind != NodeKind::Reservoir || !m_.nodes[n].source || kind_ != QualityKind::Chemical) {
    out_q_[n] = node_q_[n];
  }
  return out_q_[n];
}

// Applies a reaction to every parcel of link k's chain; returns the mass the
// link then holds.
template <class Reaction>
double Transport::react_chain(int k, const Reaction &react) {
  double m = 0.0;
  for (int s = chains_.first(k); s >= 0; s = chains_.at(s).next) {
    Segment &seg = chains_.at(s);
    seg.c = react(seg.c);
    m += seg.v * seg.c;
  }
  return m;
}

void Transport::step(double dt) {
  if (dt <= 0) return;
  if (by_birth_) {
    clock_ += dt / 3600.0;  // every parcel one step older...
    // ...but those passing through pumps and valves, which hold no water
    for (const int k : volumeless_)
      for (int s = chains_.first(k); s >= 0; s = chains_.at(s).next) {
        chains_.at(s).c += dt / 3600.0;
        held_m_[k] += chains_.at(s).v * dt / 3600.0;
      }
  } else if (kinetics_.active()) {
    for (const int k : reacting_pipes_) {
      const PipeReaction react = kinetics_.pipe_reaction(k, dt);
      // The usual model's walk without the general path's tests at every parcel.
      held_m_[k] = react.first_order_bulk_only
                       ? react_chain(k, [&react](double c) { return react.first_order_bulk(c); })
                       : react_chain(k, react);
    }
    for (std::size_t t = 0; t < nt_; ++t) {
      if (m_.tanks[t].reservoir) continue;
      const int chain = static_cast<int>(nl_ + t);
      for (int s = chains_.first(chain); s >= 0; s = chains_.at(s).next)
        chains_.at(s).c = kinetics_.tank_react(static_cast<int>(t), chains_.at(s).c, dt);
    }
  }
  for (std::size_t j = 0; j < visits_.size(); ++j) {
    const NodeVisit &v = visits_[j];
    double vin = 0.0, win = 0.0;
    for (int i = v.in_begin; i < v.in_end; ++i) inflow_from(inflows_[i].link, inflows_[i].rate * dt, vin, win);
    const double c = node_outflow_quality(v.node, vin, win, v.out_rate * dt, dt);
    const int out_end = j + 1 < visits_.size() ? visits_[j + 1].out_begin : static_cast<int>(outflows_.size());
    for (int i = v.out_begin; i < out_end; ++i) release_into(outflows_[i].link, outflows_[i].rate * dt, c);
  }
}

double Transport::link_quality(int k) const {
  if (chains_.first(k) >= 0 && held_v_[k] > 0.0) return reported(held_m_[k] / held_v_[k]);
  const Link &l = m_.links[k];
  return reported((out_q_[l.from] + out_q_[l.to]) / 2.0);
}

}  // namespace orv::wq
