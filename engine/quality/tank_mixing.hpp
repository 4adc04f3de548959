// The four mixing models of storage tanks. A tank's contents are a segment
// chain: one segment (complete mixing), two (the mixing zone is the last
// segment, the stagnant zone the first), or a stack of layers (first in first
// out, last in first out). Each function takes the volume (vin) and mass (win,
// volume x quality) that entered during a step and the net volume change
// vnet = inflow - outflow, and returns the quality of the water leaving the tank.
#pragma once

#include <optional>

#include "model/model.hpp"
#include "quality/segments.hpp"

namespace orv::wq {

struct TankMixing {
  MixModel model = MixModel::Mixed;
  double mixing_volume = 0;  // 2COMP: volume of the mixing zone when full (m3)
  double tolerance = 0;      // layers closer than this in quality are merged
  // Volume at the maximum level (m3; 0: unknown). Water beyond it overflows:
  // the hydraulics stop a filling tank at its top only to the nearest
  // second, so the steps' net inflows may add up to a little more.
  double capacity = 0;
  // Layered tanks (FIFO, LIFO): whether the tank counts as full is judged
  // from the layers' volume, or (when set) fixed for the whole run, as the
  // reference engine does with the tank's volume at the end of the hydraulics.
  std::optional<bool> fixed_full;
};

// Fills a tank chain at the start of a run with volume v of quality c.
void init_tank(SegmentChains &chains, int chain, const TankMixing &mix, double v, double c);

// Mixes one step's inflow into the tank; `current` is the tank quality before
// the step, returned unchanged when the chain is empty.
double mix_tank(SegmentChains &chains, int chain, const TankMixing &mix, double vin, double win,
                double vnet, double current);

}  // namespace orv::wq
