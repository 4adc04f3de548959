// Water-quality simulation over the stored hydraulic steps of a run.
#pragma once

#include <cstddef>
#include <functional>

#include "hydraulics/simulate.hpp"
#include "model/model.hpp"

namespace orv {

// Status of a quality run, folded into SimulationRun::status when worse.
inline constexpr int kQualWarning = 4;  // quality results incomplete (message says why)

// Fills NodeAttr::Quality and LinkAttr::Quality of run.results at every stored
// step, in the model's display quality units (concentration in mass/L, age in
// hours, trace in percent). Does nothing when the model has no quality option.
// Never throws for model content: problems become a warning in run.status and
// run.message, with the columns left at zero.
void simulate_quality(const Model &model, SimulationRun &run);

namespace wq {
class Transport;
// Runs the transport over the stored steps of r, handing the state at each
// step's instant to `record` (used for the main run and for traced shares).
void run_over_steps(const Model &model, const Results &r,
                    const std::function<void(std::size_t, const Transport &)> &record);
}  // namespace wq

}  // namespace orv
