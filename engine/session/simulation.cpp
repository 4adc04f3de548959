#include "session/simulation.hpp"

#include "hydraulics/simulate.hpp"
#include "hydraulics/solver_layout.hpp"
#include "quality/quality.hpp"

namespace orv {

void simulate(Session &e) {
  SimulationRun run =
      simulate_hydraulics(e.model(), nullptr, &e.model_part<hyd::LayoutCache>(), e.take_spare_store());
  // A run stopped at an unbalanced instant (UNBALANCED STOP) keeps what it
  // computed up to there, as a warning; other failures keep nothing.
  if (run.status > 100 && run.status != kHydErrUnbalanced) {
    e.note_run_attempt(run.status, run.message);
    throw Failure(Status::SimulationFailed, "simulation failed: " + run.message);
  }
  simulate_quality(e.model(), run);  // nothing to do when the model has no quality option
  e.note_run_attempt(run.status, run.message);  // quality warnings included
  e.install_run(std::move(run));
}

}  // namespace orv
