// Linearised head-loss relations of links, emitters and pressure-driven demands:
// each element contributes P = 1 / (dh/dq) and Y = h(q) / (dh/dq).
#pragma once

#include "hydraulics/network.hpp"
#include "hydraulics/pipe_gradient.hpp"

namespace orv::hyd {

// The terms of link k's head loss (a pipe's).
inline PipeTerms pipe_terms(const LinkData &d) { return {d.r, d.km, d.diameter, d.area, d.rough / d.diameter}; }

// Pipes, pumps and open or closed valves (not the pinned states of active
// PRV/PSV/FCV/PBV, handled by the assembly).
Gradient link_gradient(const Net &net, const State &s, int k);
// Head loss h = km q^2 relation of an open valve.
Gradient open_valve_gradient(double km, double q);
// Head loss of a pipe at flow q (for balance checks).
double pipe_headloss(const Net &net, int k, double q);
// Emitter at a junction: outflow q against pressure, h = c q^n; without
// backflow a barrier keeps q from turning negative.
Gradient emitter_gradient(double coeff, double exponent, double q, bool backflow);
// Pressure-driven demand: delivered flow d of full demand dfull over the pressure range dp.
Gradient demand_gradient(double d, double dfull, double dp, double exponent);

}  // namespace orv::hyd
