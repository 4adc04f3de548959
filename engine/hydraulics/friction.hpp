// Darcy-Weisbach friction factor, shared by the solver and the wall shear stress.
#pragma once

namespace orv::hyd {

// Friction factor at Reynolds number re for relative roughness e/D, and its
// derivative with respect to re: laminar below Re 2000, Swamee-Jain above
// 4000, and a cubic joining both (value and slope) in between.
void darcy_friction(double re, double relative_roughness, double &f, double &dfdre);

}  // namespace orv::hyd
