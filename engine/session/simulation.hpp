// Running the hydraulic simulation of the loaded model.
#pragma once

#include "session/session.hpp"

namespace orv {

// Simulates the current model. On success (warnings included) the new results
// replace the old ones; on failure the old results stay and a
// Failure(SimulationFailed) carries the solver's message.
void simulate(Session &e);

}  // namespace orv
