// Darcy-Weisbach friction factor, shared by the solver and the wall shear stress.
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

}  // namespace orv::hyd
