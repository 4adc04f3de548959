// Head-loss formulas of pipes, shared by the solver and the wall shear stress.
#pragma once

#include "hydraulics/near_values.hpp"

namespace orv::hyd {

// Friction factor at Reynolds number re for relative roughness e/D, and its
// derivative with respect to re: laminar below Re 2000, Swamee-Jain above
// 4000, and a cubic joining both (value and slope) in between.
// `near`, when given, holds two expansion points of this pipe (Re^0.9 and a
// logarithm) that spare the exact functions while Re barely moves.
void darcy_friction(double re, double relative_roughness, double &f, double &dfdre,
                    ExpansionPoint *near = nullptr);

// Resistance r of a pipe of diameter d and the given length (SI): the head
// loss is r q^1.852 by Hazen-Williams (roughness coefficient c), r q^2 by
// Chezy-Manning (roughness n).
double hazen_williams_resistance(double c, double d, double length);
double manning_resistance(double n, double d, double length);

}  // namespace orv::hyd
