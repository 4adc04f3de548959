// The head-loss relation of an open pipe, linearised at its flow. Inline: the
// solver evaluates it for every pipe at every trial, from compact copies of
// the pipes' terms.
#pragma once

#include <cmath>
#include <numbers>

#include "hydraulics/constants.hpp"
#include "hydraulics/friction.hpp"
#include "hydraulics/near_values.hpp"
#include "model/model.hpp"

namespace orv::hyd {

struct Gradient {
  double P, Y;  // 1 / (dh/dq) and h(q) / (dh/dq)
};

// The flow power in the Hazen-Williams gradient, n q^(n-1).
inline constexpr PowerSeries kHwFlowPower = power_series(kHwExponent - 1.0);

// What the head loss of a pipe depends on besides its flow.
struct PipeTerms {
  double r;         // resistance of the head-loss formula (DW: without friction factor)
  double km;        // minor-loss coefficient: h = km q^2
  double diameter;  // DW only
  double area;
  double relative_roughness;  // DW: roughness / diameter
};

inline double reynolds(const PipeTerms &p, double q, double viscosity) { return q * p.diameter / (p.area * viscosity); }

// Darcy-Weisbach friction factor at flow q > 0 (Reynolds number re) and its
// derivative with respect to flow.
inline void pipe_friction_at(const PipeTerms &p, double q, double re, double &f, double &dfdq,
                             ExpansionPoint *near = nullptr) {
  double dfdre;
  darcy_friction(re, p.relative_roughness, f, dfdre, near);
  dfdq = dfdre * re / q;
}

inline void pipe_friction(const PipeTerms &p, double q, double viscosity, double &f, double &dfdq) {
  pipe_friction_at(p, q, reynolds(p, q, viscosity), f, dfdq);
}

// `near` holds the pipe's two expansion points (see near_values.hpp).
inline Gradient open_pipe_gradient(const PipeTerms &p, HeadlossFormula formula, double viscosity, double q,
                                   ExpansionPoint *near) {
  const double aq = std::abs(q);
  double hloss, hgrad;
  if (formula == HeadlossFormula::DarcyWeisbach) {
    const double re = reynolds(p, aq, viscosity);
    if (re <= 2000.0) {
      // Laminar: f = 64/Re makes the friction loss linear in flow.
      const double r = 16.0 * std::numbers::pi * (viscosity * p.diameter) * p.r;
      hloss = r * aq + p.km * aq * aq;
      hgrad = r + 2.0 * p.km * aq;
    } else {
      double f, dfdq;
      pipe_friction_at(p, aq, re, f, dfdq, near);
      const double r1 = f * p.r + p.km;
      hloss = r1 * aq * aq;
      hgrad = 2.0 * r1 * aq + dfdq * p.r * aq * aq;
    }
  } else {
    // Below the smallest gradient the relation turns linear, so that nearly
    // dry pipes keep a well-conditioned matrix.
    const bool hw = formula == HeadlossFormula::HazenWilliams;
    const double n = hw ? kHwExponent : 2.0;
    hgrad = hw ? n * p.r * power_near(near[0], aq, kHwFlowPower) : n * p.r * aq;
    if (hgrad < kRQtol) {
      hgrad = kRQtol / n;
      hloss = hgrad * aq;
    } else {
      hloss = hgrad * aq / n;
    }
    if (p.km > 0) {
      hloss += p.km * aq * aq;
      hgrad += 2.0 * p.km * aq;
    }
  }
  // One division: this runs for every pipe at every trial.
  const double P = 1.0 / hgrad;
  return {P, (q < 0 ? -hloss : hloss) * P};
}

}  // namespace orv::hyd
