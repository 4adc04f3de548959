// Shear stress of the water on the wall of a pipe at a given mean velocity.
//
// A force balance on the water in the pipe gives tau = rho g (D/4) S, with S
// the friction slope (head loss per length, minor losses excluded) of the
// model's head-loss formula at the flow v pi D^2 / 4:
//  - Darcy-Weisbach: S = f v^2 / (2 g D), so tau = rho f v^2 / 8, with the
//    solver's friction factor f (laminar 64/Re below Re 2000, Swamee-Jain
//    above 4000, the solver's cubic in between);
//  - Hazen-Williams: S = 10.67 q^1.852 / (C^1.852 D^4.871) (SI), tau ~ v^1.852;
//  - Chezy-Manning: S = (4 n / (1.49 pi D^2))^2 (D/4)^-1.333 q^2 in feet and cfs.
// g = 9.81456 m/s2 (32.2 ft/s2), as in the solver.
#pragma once

#include "model/model.hpp"

namespace orv::analysis {

struct WallShear {
  double stress = 0.0;      // Pa
  double derivative = 0.0;  // d stress / d velocity, Pa per (m/s)
};

// Shear stress at velocity v (m/s, v >= 0) in link `link` (a pipe), for the
// water density rho (kg/m3). Throws Failure(BadArgument) for a link that is
// not a pipe or whose diameter or roughness cannot give a friction slope.
WallShear wall_shear(const Model &m, int link, double velocity, double density);

}  // namespace orv::analysis
