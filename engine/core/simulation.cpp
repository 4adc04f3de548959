#include "core/simulation.hpp"

#include "hydraulics/simulate.hpp"
#include "quality/quality.hpp"

namespace orv {

void simulate(Engine &e) {
  HydraulicRun run = simulate_hydraulics(e.model());
  e.note_run_attempt(run.status, run.message);
  if (run.status > 100)
    throw Failure(Status::SimulationFailed, "simulation failed: " + run.message);
  simulate_quality(e.model(), run);  // nothing to do when the model has no quality option
  e.install_run(std::move(run));
}

}  // namespace orv
