#include "hydraulics/coefficients.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "hydraulics/constants.hpp"
#include "hydraulics/curve_math.hpp"
#include "hydraulics/friction.hpp"

namespace orv::hyd {

namespace {

double sign(double q) { return q < 0 ? -1.0 : 1.0; }

Gradient closed_gradient(double q) { return {1.0 / kBigGradient, q}; }

Gradient pipe_gradient(const Net &net, const State &s, int k) {
  if (is_closed(s.status[k])) return closed_gradient(s.flow[k]);
  return open_pipe_gradient(pipe_terms(net.links[k]), net.model->options.headloss, net.viscosity, s.flow[k],
                            s.friction_near[k].data());
}

// Head loss (negative: a gain) of an open pump, signed by the flow: pushed
// backwards, a pump opposes the flow with more than its shutoff head, which
// drives reverse flow back to zero instead of letting it run.
Gradient pump_gradient(const Net &net, const State &s, int k) {
  const LinkData &d = net.links[k];
  const double q = s.flow[k];
  const double speed = s.setting[k];
  if (is_closed(s.status[k]) || !(speed > 0)) return closed_gradient(q);
  const double aq = std::abs(q);
  double hloss, hgrad;
  switch (d.pump_type) {
    case PumpType::ConstantPower: {
      // Head gain c/q, power scaling as speed cubed. Where its gradient would
      // exceed a closed link's, it acts as one; where it is flatter than an
      // open valve's, as an open valve.
      const double c = kPower * d.power * speed * speed * speed;
      hgrad = c / (aq * aq);
      if (!(hgrad <= kBigGradient)) return closed_gradient(q);
      if (hgrad < kSmallGradient) return {1.0 / kSmallGradient, q};
      hloss = -c / q;
      break;
    }
    case PumpType::PowerFunction: {
      const double h0 = speed * speed * d.h0;
      const double n = std::abs(d.pn - 1.0) < 1e-6 ? 1.0 : d.pn;
      const double r = d.pr * std::pow(speed, 2.0 - n);
      if (n == 1.0) {
        hgrad = r;
        hloss = -h0 + hgrad * q;
      } else {
        hgrad = n * r * std::pow(aq, n - 1.0);
        if (hgrad < kRQtol) {
          hgrad = kRQtol;
          hloss = -h0 + hgrad * q;
        } else {
          hloss = -h0 + hgrad * q / n;
        }
      }
      break;
    }
    case PumpType::Custom:
    default: {
      const Curve &c = net.model->curves[d.curve];
      const Segment seg = segment_at(c.x, c.y, aq / speed);
      // Head curves fall strictly; the floor only guards a flat segment.
      hgrad = std::max(-speed * seg.slope, kRQtol);
      hloss = -speed * speed * seg.y0 + hgrad * q;
      break;
    }
  }
  return {1.0 / hgrad, hloss / hgrad};
}

}  // namespace

Gradient open_valve_gradient(double km, double q) {
  if (km > 0.0) {
    const double hgrad = 2.0 * km * std::abs(q);
    if (hgrad < kRQtol) return {2.0 / kRQtol, q};
    return {1.0 / hgrad, q / 2.0};
  }
  return {1.0 / kSmallGradient, q};
}

Gradient link_gradient(const Net &net, const State &s, int k) {
  const LinkData &d = net.links[k];
  const double q = s.flow[k];
  switch (d.kind) {
    case LinkKind::Pipe: case LinkKind::CVPipe:
      return pipe_gradient(net, s, k);
    case LinkKind::Pump:
      return pump_gradient(net, s, k);
    default:
      break;
  }
  // A GPV follows its curve unless closed outright (not when only held shut
  // by a status check).
  if (d.kind == LinkKind::GPV && d.curve != kNone && s.status[k] != LinkState::Closed) {
    const Curve &c = net.model->curves[d.curve];
    const double aq = std::max(std::abs(q), kTiny);
    const Segment seg = segment_at(c.x, c.y, aq);
    const double slope = std::max(seg.slope, kSmallGradient);
    return {1.0 / slope, sign(q) * (seg.y0 / slope + aq)};
  }
  if (is_closed(s.status[k])) return closed_gradient(q);
  if (d.kind == LinkKind::TCV && !missing(s.setting[k]))
    return open_valve_gradient(kMinorLoss * s.setting[k] / std::pow(d.diameter, 4), q);
  return open_valve_gradient(d.km, q);
}

double pipe_headloss(const Net &net, int k, double q) {
  const LinkData &d = net.links[k];
  const double aq = std::abs(q);
  const HeadlossFormula formula = net.model->options.headloss;
  double h;
  if (formula == HeadlossFormula::DarcyWeisbach) {
    if (aq <= 0) return 0;
    double f, dfdq;
    pipe_friction(pipe_terms(d), aq, net.viscosity, f, dfdq);
    h = (f * d.r + d.km) * aq * aq;
  } else {
    const double n = formula == HeadlossFormula::HazenWilliams ? kHwExponent : 2.0;
    h = d.r * std::pow(aq, n) + d.km * aq * aq;
  }
  return sign(q) * h;
}

namespace {
// Smooth barriers keeping a flow above zero (lower) or below a bound (upper):
// nearly nothing inside, a steep linear loss beyond. Stated in ft and cfs,
// where their stiffness was chosen.
void add_barrier(double dq, bool upper, double &hloss, double &hgrad) {
  const double a = 1e9 * dq / kCfs;
  const double b = std::sqrt(a * a + 1e-6);
  hloss += kFt * (upper ? a + b : a - b) / 2.0;
  hgrad += kFt / kCfs * 1e9 / 2.0 * (upper ? 1.0 + a / b : 1.0 - a / b);
}
}  // namespace

Gradient emitter_gradient(double coeff, double exponent, double q, bool backflow) {
  // q = coeff * p^exponent  <=>  p = k q^n with n = 1/exponent, k = coeff^-n
  const double n = 1.0 / exponent;
  const double kc = std::pow(std::max(coeff, 1e-30), -n);
  double hgrad = n * kc * std::pow(std::abs(q), n - 1.0);
  double hloss;
  if (hgrad < kRQtol) {
    hgrad = kRQtol / n;
    hloss = hgrad * q;
  } else {
    hloss = hgrad * q / n;
  }
  if (!backflow) add_barrier(q, false, hloss, hgrad);
  return {1.0 / hgrad, hloss / hgrad};
}

Gradient demand_gradient(double d, double dfull, double dp, double exponent) {
  const double n = 1.0 / exponent;
  const double r = std::abs(d) / dfull;
  double hgrad = n * dp * std::pow(r, n - 1.0) / dfull;
  double hloss = hgrad * d / n;
  // Delivery stays between nothing and the full demand.
  add_barrier(d, false, hloss, hgrad);
  add_barrier(d - dfull, true, hloss, hgrad);
  return {1.0 / hgrad, hloss / hgrad};
}

}  // namespace orv::hyd
