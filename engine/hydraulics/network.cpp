#include "hydraulics/network.hpp"

#include "hydraulics/constants.hpp"
#include "hydraulics/curve_math.hpp"
#include "hydraulics/friction.hpp"

namespace orv::hyd {

namespace {

void prepare_pump(const Model &m, const Link &link, LinkData &d) {
  const Pump &p = m.pumps[link.pump];
  d.speed_pattern = p.speed_pattern;
  if (p.curve_kind == PumpCurveKind::ConstantPower || p.head_curve == kNone) {
    d.pump_type = PumpType::ConstantPower;
    d.power = p.power;
    d.hmax = 1e30;
    d.q0 = kCfs;  // start at 1 cfs
    return;
  }
  const Curve &c = m.curves[p.head_curve];
  d.curve = p.head_curve;
  if (c.x.size() == 1) {
    // One design point: the customary curve through a shutoff head of 1.33334
    // times its head and zero head at twice its flow.
    const double q1 = c.x[0], h1 = c.y[0];
    const double h0 = 1.33334 * h1, q2 = 2.0 * q1;
    d.pump_type = PumpType::PowerFunction;
    d.h0 = h0;
    d.pn = std::log(h0 / (h0 - h1)) / std::log(q2 / q1);
    d.pr = (h0 - h1) / std::pow(q1, d.pn);
    d.q0 = q1;
    d.qmax = q2;
    d.hmax = h0;
  } else if (c.x.size() == 3 && c.x[0] == 0.0) {
    // Shutoff, design and largest-flow points: h = h0 - r q^n through all three.
    const double h0 = c.y[0], h1 = c.y[1], h2 = c.y[2], q1 = c.x[1], q2 = c.x[2];
    const double n = std::log((h0 - h2) / (h0 - h1)) / std::log(q2 / q1);
    if (!(n > 0.0) || n > 20.0 || !std::isfinite(n)) {
      d.pump_type = PumpType::Custom;
    } else {
      d.pump_type = PumpType::PowerFunction;
      d.h0 = h0;
      d.pn = n;
      d.pr = (h0 - h1) / std::pow(q1, n);
      d.q0 = q1;
      d.qmax = std::pow(h0 / d.pr, 1.0 / n);
      d.hmax = h0;
      return;
    }
  } else {
    d.pump_type = PumpType::Custom;
  }
  if (d.pump_type == PumpType::Custom) {
    d.q0 = (c.x.front() + c.x.back()) / 2.0;
    d.qmax = c.x.back();
    d.hmax = c.y.front();
  }
}

double volume_at_head(const Model &m, const TankData &t, double head) {
  if (t.volume_curve != kNone) {
    const Curve &c = m.curves[t.volume_curve];
    return interpolate(c.x, c.y, head - m.nodes[t.node].elevation);
  }
  return t.vmin + (head - t.hmin) * t.area;
}

}  // namespace

TankData tank_data(const Model &m, const Tank &t) {
  TankData d{t.node, t.reservoir};
  d.head_pattern = t.head_pattern;
  if (t.reservoir) return d;
  const double el = m.nodes[t.node].elevation;
  d.area = units::circle_area(t.diameter);
  d.hmin = el + t.min_level;
  d.hmax = el + t.max_level;
  d.volume_curve = t.volume_curve;
  d.overflow = t.overflow;
  if (t.volume_curve != kNone) {
    const Curve &c = m.curves[t.volume_curve];
    d.vmin = interpolate(c.x, c.y, t.min_level);
    if (t.max_level > t.min_level)
      d.area = (interpolate(c.x, c.y, t.max_level) - d.vmin) / (t.max_level - t.min_level);
  } else {
    d.vmin = t.min_volume > 0 ? t.min_volume : d.area * t.min_level;
  }
  d.vmax = volume_at_head(m, d, d.hmax);
  return d;
}

Net prepare(const Model &m) {
  Net net;
  net.model = &m;
  net.viscosity = kViscosity * m.options.viscosity;
  net.nodes.resize(m.nodes.size());
  for (std::size_t i = 0; i < m.nodes.size(); ++i) {
    const Node &n = m.nodes[i];
    NodeData &d = net.nodes[i];
    d.kind = n.kind;
    d.elevation = n.elevation;
    d.tank = n.tank;
    if (n.kind != NodeKind::Junction) continue;
    d.row = net.junctions++;
    for (const Demand &dm : n.demands)
      net.demands.push_back({static_cast<int>(i), dm.pattern == kNone ? m.options.default_pattern : dm.pattern,
                             dm.base});
  }
  net.tanks.reserve(m.tanks.size());
  for (const Tank &t : m.tanks) net.tanks.push_back(tank_data(m, t));
  net.links.resize(m.links.size());
  const Options &o = m.options;
  for (std::size_t k = 0; k < m.links.size(); ++k) {
    const Link &l = m.links[k];
    LinkData &d = net.links[k];
    d.kind = l.kind;
    d.n1 = l.from;
    d.n2 = l.to;
    d.diameter = l.diameter;
    d.area = units::circle_area(l.diameter);
    if (l.diameter > 0) d.km = kMinorLoss * l.minor_loss / std::pow(l.diameter, 4);
    switch (l.kind) {
      case LinkKind::Pipe: case LinkKind::CVPipe:
        switch (o.headloss) {
          case HeadlossFormula::HazenWilliams:
            d.r = hazen_williams_resistance(l.roughness, l.diameter, l.length);
            break;
          case HeadlossFormula::DarcyWeisbach:
            d.r = l.length / (2.0 * kGravity * l.diameter * d.area * d.area);
            d.rough = l.roughness;
            break;
          case HeadlossFormula::ChezyManning:
            d.r = manning_resistance(l.roughness, l.diameter, l.length);
            break;
        }
        break;
      case LinkKind::Pump:
        d.km = 0;
        prepare_pump(m, l, d);
        net.pumps.push_back(static_cast<int>(k));
        break;
      case LinkKind::GPV:
        d.curve = static_cast<int>(l.setting);
        break;
      default:
        break;
    }
  }
  return net;
}

double tank_volume(const Net &net, const TankData &t, double head) {
  return volume_at_head(*net.model, t, head);
}

double tank_head(const Net &net, const TankData &t, double volume) {
  if (t.volume_curve != kNone) {
    const Curve &c = net.model->curves[t.volume_curve];
    return net.nodes[t.node].elevation + interpolate(c.y, c.x, volume);
  }
  return t.hmin + (volume - t.vmin) / t.area;
}

}  // namespace orv::hyd
