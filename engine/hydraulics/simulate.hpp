// Extended-period hydraulic simulation by the global gradient method.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "model/model.hpp"
#include "results/results.hpp"

namespace orv {

// Status codes of a hydraulic run.
enum RunStatus : int {
  kHydOk = 0,
  kHydWarnUnbalanced = 1,   // some step did not converge within the trials (run continued)
  kHydWarnNegativePressure = 2,  // some demand node had negative pressure (DDA)
  kHydWarnUnstable = 3,     // some device status did not settle / could not meet its setting
  kHydErrUnbalanced = 101,  // a step did not converge and UNBALANCED is STOP
  kHydErrSingular = 102,    // the network matrix is singular (disconnected nodes)
  kHydErrNoSource = 103,    // no reservoir or tank to fix heads
  kHydErrInvalid = 104,     // invalid model data (message says which)
};

struct UnstableDevice {
  int link = kNone;     // link index
  double time = 0.0;    // s, instant where it was observed
  std::string reason;   // "status did not settle", "cannot meet setting", ...
};

struct SimulationRun {
  int status = kHydOk;  // 0 ok, 1-99 warnings (results usable), >100 errors
  std::string message;
  Results results;
  std::vector<UnstableDevice> unstable;
  long iterations = 0;  // Newton iterations over the whole run
};

// Never throws for model content; failures come back in status/message.
// With a trace, every trial's relative flow change and every status change is
// written to it, in the layout of the reference engine's full status report,
// so that the two iteration paths can be compared line by line.
// With a layout cache, runs of a network whose shape has not changed share
// one plan of the solver's matrix (see hydraulics/solver_layout.hpp).
// The results are written into the memory of `spare`, a store no longer
// needed (its contents are dropped), when one is handed over.
namespace hyd { class LayoutCache; }
SimulationRun simulate_hydraulics(const Model &model, std::FILE *trace = nullptr,
                                  hyd::LayoutCache *layouts = nullptr, Results spare = {});

}  // namespace orv
