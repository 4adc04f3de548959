// The CALIBRATE command:
//   CALIBRATE [ROUGHNESS MATERIAL | ROUGHNESS SELECTION <branch selection>...
//              | DEMAND ZONE <zone>... | ITERATIONS <n>]...
// Without a group, ROUGHNESS MATERIAL. ITERATIONS bounds the accepted steps
// (default 20, at most 1000). On success the calibrated factors are applied
// to the model, its simulation becomes the current results and the summary
// is kept; on failure nothing changes.
#pragma once

#include "commands/arguments.hpp"
#include "session/session.hpp"

namespace orv::calibration {

void calibrate_command(Session &e, commands::Arguments &a);

}  // namespace orv::calibration
