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

// The gradient from the head loss h and dh/dq at |q|. One division: this runs
// for every pipe at every trial.
inline Gradient gradient_from_loss(double q, double hloss, double hgrad) {
  const double P = 1.0 / hgrad;
  return {P, (q < 0 ? -hloss : hloss) * P};
}

// Darcy-Weisbach, at aq = |q|, from the friction factor and its derivative
// with respect to flow.
inline Gradient darcy_weisbach_gradient(const PipeTerms &p, double q, double aq, double f, double dfdq) {
  const double r1 = f * p.r + p.km;
  return gradient_from_loss(q, r1 * aq * aq, 2.0 * r1 * aq + dfdq * p.r * aq * aq);
}

// `near` holds the pipe's two expansion points (see near_values.hpp).
inline Gradient open_pipe_gradient(const PipeTerms &p, HeadlossFormula formula, double viscosity, double q,
                                   ExpansionPoint *near) {
  const double aq = std::abs(q);
  if (formula == HeadlossFormula::DarcyWeisbach) {
    const double re = reynolds(p, aq, viscosity);
    if (re <= kLaminarReynolds) {
      // Laminar: f = 64/Re makes the friction loss linear in flow.
      const double r = 16.0 * std::numbers::pi * (viscosity * p.diameter) * p.r;
      return gradient_from_loss(q, r * aq + p.km * aq * aq, r + 2.0 * p.km * aq);
    }
    double f, dfdq;
    pipe_friction_at(p, aq, re, f, dfdq, near);
    return darcy_weisbach_gradient(p, q, aq, f, dfdq);
  }
  // Below the smallest gradient the relation turns linear, so that nearly
  // dry pipes keep a well-conditioned matrix.
  const bool hw = formula == HeadlossFormula::HazenWilliams;
  const double n = hw ? kHwExponent : 2.0;
  double hloss, hgrad = hw ? n * p.r * power_near(near[0], aq, kHwFlowPower) : n * p.r * aq;
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
  return gradient_from_loss(q, hloss, hgrad);
}

// Darcy-Weisbach gradients of the open pipes among a few (the others are left
// alone), each step taken across all of them before the next: a turbulent
// pipe's gradient is one long chain of divisions and transcendental
// functions, and chains of different pipes side by side overlap in the
// processor instead of running one after another. Each pipe goes through the
// same operations as in open_pipe_gradient.
// Inlined into its one caller, so that it is compiled for the processor the
// caller was compiled for (see cpu_dispatch.hpp).
template <int Lanes>
[[gnu::always_inline]] inline void darcy_weisbach_gradients(int count, const bool open[],
                                                             const PipeTerms *const terms[], const double q[],
                                                             ExpansionPoint *const near[], double viscosity,
                                                             Gradient out[]) {
  double aq[Lanes], re[Lanes], power[Lanes], y3[Lanes];
  SwameeJainTerms t[Lanes];
  bool turbulent[Lanes];
  for (int i = 0; i < count; ++i) {
    aq[i] = std::abs(q[i]);
    re[i] = reynolds(*terms[i], aq[i], viscosity);
    turbulent[i] = open[i] && re[i] >= kTurbulentReynolds;
  }
  for (int i = 0; i < count; ++i)
    if (turbulent[i]) power[i] = power_near(near[i][0], re[i], kReynoldsPower);
  for (int i = 0; i < count; ++i)
    if (turbulent[i]) t[i] = swamee_jain_terms(terms[i]->relative_roughness, power[i]);
  for (int i = 0; i < count; ++i)
    if (turbulent[i]) y3[i] = log10_near(near[i][1], t[i].y2);
  for (int i = 0; i < count; ++i) {
    if (!open[i]) continue;
    if (!turbulent[i]) {
      out[i] = open_pipe_gradient(*terms[i], HeadlossFormula::DarcyWeisbach, viscosity, q[i], near[i]);
      continue;
    }
    double f, dfdre;
    swamee_jain(re[i], t[i], y3[i], f, dfdre);
    out[i] = darcy_weisbach_gradient(*terms[i], q[i], aq[i], f, dfdre * re[i] / aq[i]);
  }
}

}  // namespace orv::hyd
