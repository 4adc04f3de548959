#include "hydraulics/simulate.hpp"

namespace orv {

HydraulicRun simulate_hydraulics(const Model &) {
  HydraulicRun run;
  run.status = kHydErrInvalid;
  run.message = "hydraulic solver not available yet";
  return run;
}

}  // namespace orv
