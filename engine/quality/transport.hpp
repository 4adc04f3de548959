// Lagrangian transport of water quality through the network under hydraulics
// that stay constant over a period. Water in pipes is a chain of parcels
// (segments) of uniform quality; each quality step reacts every parcel, then
// visits the nodes from upstream to downstream: a node mixes the parcels that
// its inflowing links deliver during the step (plus external inflow and
// sources) and releases the mixture into its outflowing links as new parcels.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/model.hpp"
#include "quality/conventions.hpp"
#include "quality/kinetics.hpp"
#include "quality/segments.hpp"
#include "quality/tank_mixing.hpp"

namespace orv::wq {

// Hydraulic conditions of one period, SI units.
struct Period {
  double start = 0;             // s from the simulation start
  std::vector<double> flow;     // per link (m3/s), 0 for closed links
  std::vector<double> demand;   // per node (m3/s): junction outflow (negative = inflow)
  std::vector<double> tank_volume;  // per tank (m3), used at the first period only
};

class Transport {
 public:
  explicit Transport(const Model &model, Conventions conventions = {});

  // Takes the hydraulics of the next period: the first call fills pipes and
  // tanks with the initial qualities, later calls turn the contents of links
  // whose flow reversed.
  void load(const Period &p);
  // Tank volumes at the last instant of the hydraulics; used only under the
  // reference's conventions, where a layered tank full at the end counts as
  // full throughout.
  void set_final_tank_volumes(const std::vector<double> &volume);
  // Advances by dt seconds (at most one quality step) under the loaded period.
  void step(double dt);

  // Quality of the water leaving a node (sources included).
  double node_quality(int n) const { return reported(out_q_[n]); }
  // Volume-weighted mean quality of a link's contents; for a link without
  // contents (pumps and valves, between the steps that pass water on), the
  // mean quality of its end nodes.
  double link_quality(int k) const;
  std::size_t segments_in_use() const { return chains_.segments_in_use(); }

 private:
  void sort_nodes();
  bool follows_flow() const;
  bool flowing(int k) const;
  bool mend_order();
  bool move_after(int u, int v);
  bool reach(std::vector<int> &found, bool along, int bound, int stop);
  void place(int n, int position);
  void plan_visits();
  void refresh_rates();
  int loop_entry(const std::vector<int> &indegree) const;
  template <class Reaction>
  double react_chain(int k, const Reaction &react);
  void inflow_from(int k, double v, double &vin, double &win);
  void release_into(int k, double v, double c);
  void hold(int k, double v, double m);
  void resum(int k);
  double node_outflow_quality(int n, double vin, double win, double vout, double dt);
  std::optional<double> source_quality(int n, double vin, double vout, double dt) const;
  double stagnant_quality(int n) const;
  int direction(int k) const { return dir_[k]; }
  // Age runs keep each parcel's time of birth (clock - age, hours) instead of
  // its age, so that water ages without visiting every parcel at every step;
  // flip converts either way (weighted means commute with it).
  double flip(double q) const { return by_birth_ ? clock_ - q : q; }
  // An age from a time of birth, without the rounding that turns new water's
  // 0 into -1e-15.
  double reported(double q) const { return by_birth_ ? std::max(0.0, clock_ - q) : q; }
  int downstream(int k) const;
  int upstream(int k) const;

  const Model &m_;
  Conventions conventions_;
  Kinetics kinetics_;
  QualityKind kind_;
  bool by_birth_;
  double clock_ = 0.0;  // hours since the start, for age runs
  double tolerance_;
  int trace_node_ = kNone;
  std::size_t nn_, nl_, nt_;
  std::vector<double> link_volume_;
  std::vector<int> volumeless_;  // links that hold no water (pumps, valves)
  std::vector<int> reacting_pipes_;  // links whose water reacts (pipes only)
  std::vector<TankMixing> mixing_;
  struct Ends { int from, to; };
  std::vector<Ends> ends_;                 // per link, as drawn
  std::vector<NodeKind> node_kind_;
  std::vector<char> has_source_;           // a source of nonzero strength
  // Junctions where no source acts and no trace starts: what leaves them is
  // what they mix.
  std::vector<char> mixes_only_;
  std::vector<int> adj_start_, adj_link_;  // links at each node (CSR)
  SegmentChains chains_;                   // links, then tanks
  std::vector<double> held_v_, held_m_;    // volume and mass each link's chain holds
  // Mixed inflow, outflow, tank contents (as stored: see flip); initial
  // qualities as given.
  std::vector<double> node_q_, out_q_, tank_q_, initial_q_;
  std::vector<double> flow_, demand_;
  std::vector<std::int8_t> dir_;
  // Which end of a link its chain starts at (+1: the end node, -1: the start
  // node); kept through periods without flow, when dir_ is 0.
  std::vector<std::int8_t> head_;
  std::vector<int> order_;
  std::vector<int> position_;             // of each node in order_
  bool order_follows_flow_ = false;       // no flow runs from a later node to an earlier one
  std::vector<int> turned_links_;         // links whose flow turned or resumed this period
  std::vector<std::int8_t> set_aside_;    // per link, while the order is mended
  std::vector<int> seen_;                 // per node: the last search that reached it
  int epoch_ = 0;
  long mend_budget_ = 0;                  // work left before a sort is cheaper
  std::vector<int> fed_, feeding_, places_;  // move_after's working lists
  // The visits of a step, planned once per period (see plan_visits).
  struct NodeVisit {
    int node;
    int in_begin, in_end;  // range of inflows_
    int out_begin;         // start of its range of outflows_ (up to the next visit's)
    double out_rate;       // what leaves the node (m3/s)
  };
  struct LinkRate {
    int link;
    double rate;  // |flow| (m3/s)
  };
  std::vector<NodeVisit> visits_;
  std::vector<LinkRate> inflows_, outflows_;
  double period_start_ = 0;
  bool loaded_ = false;
};

}  // namespace orv::wq
