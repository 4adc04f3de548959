// Calibration of a model against measured series.
//
// Parameters are factors on model data, one per group: the roughness of the
// pipes of a group (by material, i.e. link tag, or by link selection) and
// the base demands of the nodes of a zone. A factor multiplies the model's
// value of every member, and lies between 0.1 and 10. Levenberg-Marquardt
// (levenberg_marquardt.hpp, on the logarithms of the factors) minimises the
// objective F = sum over all measured points of (simulated - measured)^2, in
// display units, re-running the hydraulic simulation of a modified copy of the
// model for every evaluation.
#pragma once

#include <string>
#include <vector>

#include "calibration/summary.hpp"
#include "hydraulics/simulate.hpp"
#include "measurements/measurement_store.hpp"

namespace orv::calibration {

struct ParameterGroup {
  enum class Kind { Roughness, Demand };
  Kind kind = Kind::Roughness;
  std::string name;
  std::vector<int> members;  // pipe indices (Roughness) or node indices (Demand)
};

// One group per link tag among the pipes; untagged pipes form one more group.
std::vector<ParameterGroup> roughness_by_material(const Model &m);

// Multiplies the members' data by the factors (one per group).
void apply_factors(Model &m, const std::vector<ParameterGroup> &groups, const std::vector<double> &factors);

struct CalibrationResult {
  std::vector<double> factors;
  SimulationRun run;  // simulation of the calibrated model
  Summary summary;
};

// Throws Failure(BadArgument) for empty or overlapping groups or without any
// measured point in the simulated period, Failure(SimulationFailed) when the
// model cannot be simulated as it is. The model is not changed.
CalibrationResult calibrate(const Model &m, const measurements::MeasurementStore &store,
                            const Thresholds &thresholds, const std::vector<ParameterGroup> &groups,
                            int max_iterations);

}  // namespace orv::calibration
