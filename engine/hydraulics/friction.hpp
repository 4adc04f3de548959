// Head-loss formulas of pipes, shared by the solver and the wall shear stress.
#pragma once

#include <numbers>

#include "hydraulics/near_values.hpp"

namespace orv::hyd {

// Flow regimes of Darcy-Weisbach friction, by Reynolds number.
inline constexpr double kLaminarReynolds = 2000.0, kTurbulentReynolds = 4000.0;

// Friction factor at Reynolds number re for relative roughness e/D, and its
// derivative with respect to re: laminar below Re 2000, Swamee-Jain above
// 4000, and a cubic joining both (value and slope) in between.
// `near`, when given, holds two expansion points of this pipe (Re^0.9 and a
// logarithm) that spare the exact functions while Re barely moves.
void darcy_friction(double re, double relative_roughness, double &f, double &dfdre,
                    ExpansionPoint *near = nullptr);

// The Swamee-Jain factor in its steps, for callers that take each step across
// several pipes before the next: Re^0.9, then the terms of the logarithm's
// argument, then its logarithm, then the factor.
inline constexpr PowerSeries kReynoldsPower = power_series(0.9);

struct SwameeJainTerms {
  double y1;  // 5.74 / Re^0.9
  double y2;  // the logarithm's argument, e/(3.7 D) + y1
};

inline SwameeJainTerms swamee_jain_terms(double relative_roughness, double reynolds_power) {
  const double y1 = 5.74 / reynolds_power;
  return {y1, relative_roughness / 3.7 + y1};
}

// f and df/dRe from the terms and y3 = log10(y2).
inline void swamee_jain(double re, const SwameeJainTerms &t, double y3, double &f, double &dfdre) {
  f = 0.25 / (y3 * y3);
  // df/dRe = -0.5 y3^-3 / (y2 ln10) * dy1/dRe, dy1/dRe = -0.9 y1 / Re
  dfdre = -0.5 / (y3 * y3 * y3) / (t.y2 * std::numbers::ln10) * (-0.9 * t.y1 / re);
}

// Resistance r of a pipe of diameter d and the given length (SI): the head
// loss is r q^1.852 by Hazen-Williams (roughness coefficient c), r q^2 by
// Chezy-Manning (roughness n).
double hazen_williams_resistance(double c, double d, double length);
double manning_resistance(double n, double d, double length);

}  // namespace orv::hyd
