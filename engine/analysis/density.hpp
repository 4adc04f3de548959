// Density of the water: a table of (temperature in degrees C, density in kg/m3)
// pairs, read at the water temperature that the model's relative viscosity
// stands for. Without a table the density is 1000 kg/m3 times the model's
// specific gravity.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "model/model.hpp"

namespace orv::analysis {

class DensityTable {
 public:
  // Replaces the table; an empty table restores the default. Temperatures must
  // be finite and distinct, densities finite and positive; otherwise throws
  // Failure(BadArgument) and the table stays as it was.
  void set(std::span<const float> temperatures, std::span<const float> densities);
  bool empty() const { return points_.empty(); }
  // Linear interpolation in temperature, constant beyond the first and last pairs.
  double at(double temperature) const;

 private:
  std::vector<std::pair<double, double>> points_;  // sorted by temperature
};

// Water temperature (C) whose kinematic viscosity, relative to water at 20 C,
// is the model's VISCOSITY option, by Poiseuille's relation
// nu(T) = nu0 / (1 + 0.0337 T + 0.000221 T^2); VISCOSITY 1 gives 20 C.
double water_temperature(const Model &m);

// Density in kg/m3 used for the model: the table at water_temperature(m), or
// 1000 x specific gravity without a table.
double water_density(const Model &m, const DensityTable &table);

}  // namespace orv::analysis
