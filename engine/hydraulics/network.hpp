// The hydraulic view of a model: fixed per-link coefficients computed once per
// run (Net), and the variables that evolve during the run (State).
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "hydraulics/near_values.hpp"
#include "model/model.hpp"

namespace orv::hyd {

// Working status of a link; the order matters: everything up to Closed is closed.
enum class LinkState : std::uint8_t { XHead, TempClosed, Closed, Open, Active, XFlow, XFcv, XPressure };
inline bool is_closed(LinkState s) { return s <= LinkState::Closed; }

inline constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
inline bool missing(double v) { return std::isnan(v); }

enum class PumpType : std::uint8_t { ConstantPower, PowerFunction, Custom };

struct LinkData {
  LinkKind kind;
  int n1, n2;
  double diameter = 0, area = 0;
  double r = 0;       // pipes: resistance of the head-loss formula (DW: without friction factor)
  double km = 0;      // minor-loss coefficient: h = km q^2
  double rough = 0;   // DW: absolute roughness (m)
  // pumps
  PumpType pump_type = PumpType::PowerFunction;
  double h0 = 0, pr = 0, pn = 1;  // power function h = h0 - pr q^pn
  double hmax = 0, qmax = 0, q0 = 0;  // shutoff head, largest flow, design flow
  double power = 0;                   // W
  int curve = kNone;                  // custom head curve / GPV headloss curve
  int speed_pattern = kNone;
};

struct NodeData {
  NodeKind kind;
  double elevation;
  int row = -1;    // matrix row of a junction
  int tank = kNone;
};

struct TankData {
  int node;
  bool reservoir;
  double area = 0, hmin = 0, hmax = 0;  // heads (m)
  double vmin = 0, vmax = 0;
  int volume_curve = kNone;
  bool overflow = false;
  int head_pattern = kNone;
};

// One demand of a junction, its pattern resolved (kNone: constant).
struct DemandTerm {
  int node;
  int pattern;
  double base;  // m3/s
};

struct Net {
  const Model *model = nullptr;
  std::vector<NodeData> nodes;
  std::vector<LinkData> links;
  std::vector<TankData> tanks;
  std::vector<DemandTerm> demands;  // in node order, each node's in its own order
  std::vector<int> pumps;           // the links that are pumps, ascending: checked at every instant
  int junctions = 0;
  double viscosity = 0;  // kinematic, m2/s
};

struct State {
  double time = 0;                  // s
  std::vector<double> head;         // per node (m)
  std::vector<double> demand;       // full demand per junction (m3/s); net inflow for tanks
  std::vector<double> demand_flow;  // delivered demand (PDA), = demand in DDA
  std::vector<double> emitter_flow;
  std::vector<double> flow;         // per link (m3/s)
  std::vector<LinkState> status;
  std::vector<double> setting;      // kMissing = fixed status
  std::vector<double> volume;       // per tank (m3)
  // Per-iteration coefficients: P = 1 / gradient, Y = head loss / gradient.
  std::vector<double> P, Y;
  std::vector<double> excess;       // net inflow per node from current flows
  double relax = 1.0;
  // Per pipe: two expansion points of its friction terms (see near_values.hpp).
  mutable std::vector<std::array<ExpansionPoint, 2>> friction_near;
};

// Builds the fixed hydraulic data of a model (pipe resistances, pump curves...).
Net prepare(const Model &m);

// A tank's levels and volumes as heads and m3, without the rest of the network.
TankData tank_data(const Model &m, const Tank &t);

// Tank helpers.
double tank_volume(const Net &net, const TankData &t, double head);
double tank_head(const Net &net, const TankData &t, double volume);

}  // namespace orv::hyd
