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

// Darcy-Weisbach friction factor and its derivative with respect to flow.
void friction(double q, double d, double area, double e, double nu, double &f, double &dfdq) {
  const double re = q * d / (area * nu);
  double dfdre;
  darcy_friction(re, e / d, f, dfdre);
  dfdq = dfdre * re / q;
}

Gradient pipe_gradient(const Net &net, const State &s, int k) {
  const LinkData &d = net.links[k];
  const double q = s.flow[k];
  if (is_closed(s.status[k])) return closed_gradient(q);
  const double aq = std::abs(q);
  const HeadlossFormula formula = net.model->options.headloss;
  double hloss, hgrad;
  if (formula == HeadlossFormula::DarcyWeisbach) {
    const double s_nu = net.viscosity * d.diameter;
    if (aq * d.diameter / (d.area * net.viscosity) <= 2000.0) {
      // Laminar: f = 64/Re makes the friction loss linear in flow.
      const double r = 16.0 * std::numbers::pi * s_nu * d.r;
      hloss = r * aq + d.km * aq * aq;
      hgrad = r + 2.0 * d.km * aq;
    } else {
      double f, dfdq;
      friction(aq, d.diameter, d.area, d.rough, net.viscosity, f, dfdq);
      const double r1 = f * d.r + d.km;
      hloss = r1 * aq * aq;
      hgrad = 2.0 * r1 * aq + dfdq * d.r * aq * aq;
    }
  } else {
    // Below the smallest gradient the relation turns linear, so that nearly
    // dry pipes keep a well-conditioned matrix.
    const double n = formula == HeadlossFormula::HazenWilliams ? kHwExponent : 2.0;
    hgrad = n * d.r * std::pow(aq, n - 1.0);
    if (hgrad < kRQtol) {
      hgrad = kRQtol;
      hloss = hgrad * aq;
    } else {
      hloss = hgrad * aq / n;
    }
    hloss += d.km * aq * aq;
    hgrad += 2.0 * d.km * aq;
  }
  hgrad = std::max(hgrad, kRQtol);
  return {1.0 / hgrad, sign(q) * hloss / hgrad};
}

Gradient pump_gradient(const Net &net, const State &s, int k) {
  const LinkData &d = net.links[k];
  const double q = s.flow[k];
  const double speed = s.setting[k];
  if (is_closed(s.status[k]) || !(speed > 0)) return closed_gradient(q);
  const double aq = std::max(std::abs(q), kTiny);
  double hloss, hgrad;
  switch (d.pump_type) {
    case PumpType::ConstantPower: {
      // Head gain c/q, with power scaling as speed cubed. Near zero flow the
      // gradient would exceed that of a closed link: there the pump acts as
      // a closed link (a linear loss), so that a pump with nowhere to deliver
      // settles at no flow instead of an unbounded head.
      const double c = kPower * d.power * speed * speed * speed;
      const double qa = std::abs(q);
      if (c > kBigGradient * qa * qa) return {1.0 / kBigGradient, q};
      hloss = -c / std::max(qa, kTiny);
      hgrad = c / (qa * qa);
      break;
    }
    case PumpType::PowerFunction: {
      const double h0 = speed * speed * d.h0;
      const double r = d.pr * std::pow(speed, 2.0 - d.pn);
      hloss = -h0 + r * std::pow(aq, d.pn);
      hgrad = d.pn * r * std::pow(aq, d.pn - 1.0);
      break;
    }
    case PumpType::Custom:
    default: {
      const Curve &c = net.model->curves[d.curve];
      const Segment seg = segment_at(c.x, c.y, aq / speed);
      hgrad = -speed * seg.slope;
      hloss = -speed * speed * seg.y0 + hgrad * q;
      break;
    }
  }
  hgrad = std::max(hgrad, kRQtol);
  return {1.0 / hgrad, hloss / hgrad};
}

}  // namespace

Gradient open_valve_gradient(double km, double q) {
  if (km > 0.0) {
    const double p = std::max(2.0 * km * std::abs(q), kRQtol);
    return {1.0 / p, q / 2.0};
  }
  return {1.0 / kRQtol, q};
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
  if (is_closed(s.status[k])) return closed_gradient(q);
  if (d.kind == LinkKind::TCV && s.status[k] == Status::Active && !missing(s.setting[k]))
    return open_valve_gradient(kMinorLoss * s.setting[k] / std::pow(d.diameter, 4), q);
  if (d.kind == LinkKind::GPV && d.curve != kNone) {
    const Curve &c = net.model->curves[d.curve];
    const double aq = std::abs(q);
    const Segment seg = segment_at(c.x, c.y, std::max(aq, kTiny));
    const double p = 1.0 / std::max(seg.slope, kRQtol);
    return {p, sign(q) * p * (seg.y0 + seg.slope * aq)};
  }
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
    friction(aq, d.diameter, d.area, d.rough, net.viscosity, f, dfdq);
    h = (f * d.r + d.km) * aq * aq;
  } else {
    const double n = formula == HeadlossFormula::HazenWilliams ? kHwExponent : 2.0;
    h = d.r * std::pow(aq, n) + d.km * aq * aq;
  }
  return sign(q) * h;
}

Gradient emitter_gradient(double coeff, double exponent, double q) {
  // q = coeff * p^exponent  <=>  p = k q^n with n = 1/exponent, k = coeff^-n
  const double n = 1.0 / exponent;
  const double kc = std::pow(std::max(coeff, 1e-30), -n);
  const double aq = std::max(std::abs(q), kTiny);
  const double h = kc * std::pow(aq, n);
  const double g = std::max(n * h / aq, kRQtol);
  return {1.0 / g, sign(q) * h / g};
}

Gradient demand_gradient(double d, double dfull, double dp, double exponent) {
  const double n = 1.0 / exponent;
  const double r = d / dfull;
  double hloss, hgrad;
  if (r <= 0.0) {
    // Barrier against negative delivery.
    hgrad = kBigGradient;
    hloss = kBigGradient * d;
  } else if (r < 1.0) {
    hgrad = n * dp * std::pow(r, n - 1.0) / dfull;
    hloss = hgrad * d / n;
    if (hgrad < kRQtol) {
      hgrad = kRQtol;
      hloss = hgrad * d;
    }
  } else {
    // Barrier against delivering more than asked.
    hgrad = kBigGradient;
    hloss = dp + kBigGradient * (d - dfull);
  }
  return {1.0 / hgrad, hloss / hgrad};
}

}  // namespace orv::hyd
