#include "hydraulics/link_status.hpp"

#include <cmath>

#include "hydraulics/constants.hpp"

namespace orv::hyd {

namespace {

LinkState check_valve_status(LinkState s, double dh, double q) {
  if (std::abs(dh) > kHtol) {
    if (dh < -kHtol) return LinkState::Closed;
    if (q < -kQtol) return LinkState::Closed;
    return LinkState::Open;
  }
  if (q < -kQtol) return LinkState::Closed;
  return s;
}

LinkState prv_status(LinkState s, double hset, double h1, double h2, double q, double hml) {
  switch (s) {
    case LinkState::Active:
      if (q < -kQtol) return LinkState::Closed;
      if (h1 - hml < hset - kHtol) return LinkState::Open;
      return LinkState::Active;
    case LinkState::Open:
      if (q < -kQtol) return LinkState::Closed;
      if (h2 >= hset + kHtol) return LinkState::Active;
      return LinkState::Open;
    case LinkState::Closed:
      if (h1 >= hset + kHtol && h2 < hset - kHtol) return LinkState::Active;
      if (h1 < hset - kHtol && h1 > h2 + kHtol) return LinkState::Open;
      return LinkState::Closed;
    case LinkState::XPressure:
      if (q < -kQtol) return LinkState::Closed;
      return s;
    default:
      return s;
  }
}

LinkState psv_status(LinkState s, double hset, double h1, double h2, double q, double hml) {
  switch (s) {
    case LinkState::Active:
      if (q < -kQtol) return LinkState::Closed;
      if (h2 + hml > hset + kHtol) return LinkState::Open;
      return LinkState::Active;
    case LinkState::Open:
      if (q < -kQtol) return LinkState::Closed;
      if (h1 < hset - kHtol) return LinkState::Active;
      return LinkState::Open;
    case LinkState::Closed:
      if (h2 > hset + kHtol && h1 > h2 + kHtol) return LinkState::Open;
      if (h1 >= hset + kHtol && h1 > h2 + kHtol) return LinkState::Active;
      return LinkState::Closed;
    case LinkState::XPressure:
      if (q < -kQtol) return LinkState::Closed;
      return s;
    default:
      return s;
  }
}

// `s` is the status before the check reopened anything held shut.
LinkState fcv_status(LinkState s, double h1, double h2, double q, double setting, double km) {
  if (h1 - h2 < -kHtol) return LinkState::XFcv;
  if (q < -kQtol) return LinkState::XFcv;
  if (s == LinkState::XFcv && q >= setting) return LinkState::Active;
  // An active valve cannot lose less head than when fully open.
  if (s == LinkState::Active && (h1 - h2) / (q * q) < km) return LinkState::XFcv;
  return s;
}

// A link still open that would fill a full tank (unless it may overflow) or
// drain an empty one closes for the instant. `out` is the link's flow out of
// the tank at `node`.
LinkState tank_link_status(const Net &net, const State &s, int node, double out, LinkState status) {
  if (is_closed(status) || net.nodes[node].kind != NodeKind::Tank) return status;
  const TankData &t = net.tanks[net.nodes[node].tank];
  if (t.reservoir) return status;
  if (s.head[node] >= t.hmax && !t.overflow && out < 0) return LinkState::TempClosed;
  if (s.head[node] <= t.hmin && out > 0) return LinkState::TempClosed;
  return status;
}

}  // namespace

double valve_head_setting(const Net &net, const State &s, int k) {
  const LinkData &l = net.links[k];
  if (l.kind == LinkKind::PRV) return net.nodes[l.n2].elevation + s.setting[k];
  return net.nodes[l.n1].elevation + s.setting[k];
}

std::vector<int> pressure_valves(const Net &net) {
  std::vector<int> valves;
  for (std::size_t k = 0; k < net.links.size(); ++k)
    if (net.links[k].kind == LinkKind::PRV || net.links[k].kind == LinkKind::PSV) valves.push_back(static_cast<int>(k));
  return valves;
}

std::vector<int> checked_links(const Net &net) {
  auto at_tank = [&](int node) {
    return net.nodes[node].kind == NodeKind::Tank && !net.tanks[net.nodes[node].tank].reservoir;
  };
  std::vector<int> links;
  for (std::size_t k = 0; k < net.links.size(); ++k) {
    const LinkData &l = net.links[k];
    if (l.kind == LinkKind::CVPipe || l.kind == LinkKind::Pump || l.kind == LinkKind::FCV || at_tank(l.n1) ||
        at_tank(l.n2))
      links.push_back(static_cast<int>(k));
  }
  return links;
}

bool check_pressure_valves(const Net &net, State &s, const std::vector<int> &valves) {
  bool changed = false;
  for (const int k : valves) {
    const LinkData &l = net.links[k];
    if (missing(s.setting[k])) continue;
    const double hset = valve_head_setting(net, s, k);
    const double h1 = s.head[l.n1], h2 = s.head[l.n2], q = s.flow[k];
    const double hml = l.km * q * q;
    const LinkState before = s.status[k];
    s.status[k] = l.kind == LinkKind::PRV ? prv_status(before, hset, h1, h2, q, hml)
                                          : psv_status(before, hset, h1, h2, q, hml);
    changed |= s.status[k] != before;
  }
  return changed;
}

// Only checked links ever hold the states these checks give (XHead,
// TempClosed), so no other link needs a visit.
bool check_links(const Net &net, State &s, const std::vector<int> &links) {
  bool changed = false;
  for (const int k : links) {
    const LinkData &l = net.links[k];
    const double dh = s.head[l.n1] - s.head[l.n2];
    const LinkState before = s.status[k];
    LinkState status = before;
    if (status == LinkState::XHead || status == LinkState::TempClosed) status = LinkState::Open;
    if (l.kind == LinkKind::CVPipe) status = check_valve_status(status, dh, s.flow[k]);
    if (l.kind == LinkKind::Pump && status >= LinkState::Open && s.setting[k] > 0) {
      if (l.pump_type == PumpType::ConstantPower) {
        // Its head has no bound; without flow it has nothing to drive.
        status = s.flow[k] < kTiny ? LinkState::TempClosed : LinkState::Open;
      } else {
        const double hmax = s.setting[k] * s.setting[k] * l.hmax;
        status = -dh > hmax + kHtol ? LinkState::XHead : LinkState::Open;
      }
    }
    if (l.kind == LinkKind::FCV && !missing(s.setting[k]))
      status = fcv_status(before, s.head[l.n1], s.head[l.n2], s.flow[k], s.setting[k], l.km);
    status = tank_link_status(net, s, l.n1, s.flow[k], status);
    status = tank_link_status(net, s, l.n2, -s.flow[k], status);
    s.status[k] = status;
    changed |= status != before;
  }
  return changed;
}

}  // namespace orv::hyd
