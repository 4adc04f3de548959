#include "quality/tank_mixing.hpp"

#include <algorithm>
#include <cmath>

namespace orv::wq {
namespace {

double chain_volume(const SegmentChains &ch, int chain) {
  double v = 0.0;
  for (int s = ch.first(chain); s >= 0; s = ch.at(s).next) v += ch.at(s).v;
  return v;
}

double complete_mix(SegmentChains &ch, int chain, double capacity, double vin, double win, double vnet,
                    double c) {
  const int s = ch.first(chain);
  if (s < 0) return c;
  Segment &seg = ch.at(s);
  const double vnew = seg.v + vin;
  if (vnew > 0.0) seg.c = (seg.c * seg.v + win) / vnew;
  seg.v = std::max(0.0, seg.v + vnet);
  if (capacity > 0.0 && seg.v > capacity) seg.v = capacity;  // the excess overflows
  return seg.c;
}

// Inflow enters the mixing zone; once it is full, the excess passes into the
// stagnant zone at the mixing zone's quality (and overflows from it once the
// tank is full). Outflow leaves from the mixing zone, which takes back water
// from the stagnant zone while that holds any.
double two_compartment(SegmentChains &ch, int chain, double vmz, double capacity, double vin, double win,
                       double vnet, double c) {
  const int ms = ch.last(chain), ss = ch.first(chain);
  if (ms < 0 || ss < 0 || ms == ss) return c;
  Segment &mix = ch.at(ms), &stag = ch.at(ss);
  double vt = 0.0;  // volume transferred between the zones
  if (vnet > 0.0) {
    vt = std::max(0.0, mix.v + vnet - vmz);
    if (vin > 0.0) mix.c = (mix.c * mix.v + win) / (mix.v + vin);
    if (vt > 0.0) stag.c = (stag.c * stag.v + mix.c * vt) / (stag.v + vt);
  } else if (vnet < 0.0) {
    if (stag.v > 0.0) vt = std::min(stag.v, -vnet);
    if (vin + vt > 0.0) mix.c = (mix.c * mix.v + win + stag.c * vt) / (mix.v + vin + vt);
  }
  if (vt > 0.0) {
    if (vnet > 0.0) {
      mix.v = vmz;
      stag.v += vt;
      if (capacity > 0.0) stag.v = std::min(stag.v, std::max(0.0, capacity - vmz));
    } else {
      // The stagnant zone refills the mixing zone as far as it can.
      stag.v = std::max(0.0, stag.v - vt);
      mix.v = vmz + vt + vnet;
    }
  } else {
    mix.v = std::clamp(mix.v + vnet, 0.0, vmz);
    // A mixing zone below its capacity means the stagnant zone is empty.
    if (vmz - mix.v > 0.0) stag.v = 0.0;
  }
  return mix.c;
}

// Withdraws volume vout from the first segments of a chain; returns the mass
// withdrawn and sets vsum to the volume actually withdrawn. The last segment
// supplies whatever remains.
double withdraw(SegmentChains &ch, int chain, double vout, double &vsum) {
  double wsum = 0.0;
  vsum = 0.0;
  while (vout > 0.0) {
    const int s = ch.first(chain);
    if (s < 0) break;
    Segment &seg = ch.at(s);
    double vseg = std::min(seg.v, vout);
    if (s == ch.last(chain)) vseg = vout;
    vsum += vseg;
    wsum += seg.c * vseg;
    vout -= vseg;
    if (vout >= 0.0 && vseg >= seg.v) {
      if (seg.next >= 0) ch.pop_first(chain);
      else seg.v = std::max(0.0, seg.v - vseg);
    } else {
      seg.v -= vseg;
    }
  }
  return wsum;
}

// Volume a filling layered tank loses over its top in a step, its layers
// holding `held` after the step's net inflow vnet.
double overflow(const TankMixing &mix, double held, double vnet) {
  if (vnet <= 0.0) return 0.0;
  if (mix.fixed_full) return *mix.fixed_full ? vnet : 0.0;
  if (mix.capacity <= 0.0) return 0.0;
  return std::clamp(held - mix.capacity, 0.0, vnet);
}

double first_in_first_out(SegmentChains &ch, int chain, const TankMixing &mix, double vin, double win,
                          double vnet, double c) {
  if (ch.first(chain) < 0) return c;
  if (vin > 0.0) {
    const double cin = win / vin;
    Segment &last = ch.at(ch.last(chain));
    if (std::abs(last.c - cin) < mix.tolerance) last.v += vin;
    else ch.push_last(chain, vin, cin);
  }
  // The oldest water leaves first, over the top too when the tank is full.
  const double vout = vin - vnet;
  const double spill = overflow(mix, mix.fixed_full ? 0.0 : chain_volume(ch, chain) - vout, vnet);
  double vsum;
  const double wsum = withdraw(ch, chain, vout + spill, vsum);
  if (vsum > 0.0) return wsum / vsum;
  return ch.at(ch.first(chain)).c;
}

double last_in_first_out(SegmentChains &ch, int chain, const TankMixing &mix, double vin, double win,
                         double vnet, double c) {
  if (ch.first(chain) < 0) return c;
  const double cin = vin > 0.0 ? win / vin : 0.0;
  Segment &last = ch.at(ch.last(chain));
  if (vnet > 0.0) {
    if (std::abs(last.c - cin) < mix.tolerance) last.v += vnet;
    else ch.push_last(chain, vnet, cin);
    const double newest = ch.at(ch.last(chain)).c;
    // A full tank spills its oldest water.
    const double spill = overflow(mix, mix.fixed_full ? 0.0 : chain_volume(ch, chain), vnet);
    double vsum;
    if (spill > 0.0) withdraw(ch, chain, spill, vsum);
    return newest;
  }
  if (vnet < 0.0) {
    // The newest layers leave first: withdraw from the reversed chain.
    ch.reverse(chain);
    double vsum;
    const double wsum = withdraw(ch, chain, -vnet, vsum);
    ch.reverse(chain);
    return (wsum + win) / (vsum + vin);
  }
  return last.c;
}

}  // namespace

void init_tank(SegmentChains &chains, int chain, const TankMixing &mix, double v, double c) {
  chains.clear(chain);
  if (mix.model == MixModel::TwoComp) {
    const double stagnant = std::max(0.0, v - mix.mixing_volume);
    chains.push_last(chain, stagnant, c);
    chains.push_last(chain, v - stagnant, c);
  } else {
    chains.push_last(chain, v, c);
  }
}

double mix_tank(SegmentChains &chains, int chain, const TankMixing &mix, double vin, double win,
                double vnet, double current) {
  switch (mix.model) {
    case MixModel::Mixed: return complete_mix(chains, chain, mix.capacity, vin, win, vnet, current);
    case MixModel::TwoComp:
      return two_compartment(chains, chain, mix.mixing_volume, mix.capacity, vin, win, vnet, current);
    case MixModel::FIFO: return first_in_first_out(chains, chain, mix, vin, win, vnet, current);
    case MixModel::LIFO: return last_in_first_out(chains, chain, mix, vin, win, vnet, current);
  }
  return current;
}

}  // namespace orv::wq
