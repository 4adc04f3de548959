// The four mixing models of storage tanks. A tank's contents are a segment
// chain: one segment (complete mixing), two (the mixing zone is the last
// segment, the stagnant zone the first), or a stack of layers (first in first
// out, last in first out). Each function takes the volume (vin) and mass (win,
// volume x quality) that entered during a step and the net volume change
// vnet = inflow - outflow, and returns the quality of the water leaving the tank.
#pragma once

#include "model/model.hpp"
#include "quality/segments.hpp"

namespace orv::wq {

struct TankMixing {
  MixModel model = MixModel::Mixed;
  double mixing_volume = 0;  // 2COMP: volume of the mixing zone when full (m3)
  double tolerance = 0;      // layers closer than this in quality are merged
};

// Fills a tank chain at the start of a run with volume v of quality c.
void init_tank(SegmentChains &chains, int chain, const TankMixing &mix, double v, double c);

// Mixes one step's inflow into the tank; `current` is the tank quality before
// the step, returned unchanged when the chain is empty.
double mix_tank(SegmentChains &chains, int chain, const TankMixing &mix, double vin, double win,
                double vnet, double current);

}  // namespace orv::wq
