#include "quality/tank_mixing.hpp"

#include <algorithm>
#include <cmath>

namespace orv::wq {
namespace {

double complete_mix(SegmentChains &ch, int chain, double vin, double win, double vnet, double c) {
  const int s = ch.first(chain);
  if (s < 0) return c;
  Segment &seg = ch.at(s);
  const double vnew = seg.v + vin;
  if (vnew > 0.0) seg.c = (seg.c * seg.v + win) / vnew;
  seg.v = std::max(0.0, seg.v + vnet);
  return seg.c;
}

// Inflow enters the mixing zone; once it is full, the excess passes into the
// stagnant zone at the mixing zone's quality. Outflow leaves from the mixing
// zone, which takes back water from the stagnant zone while that holds any.
double two_compartment(SegmentChains &ch, int chain, double vmz, double vin, double win,
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
  if (vnet > 0.0) {
    stag.v += vt;
    mix.v = std::min(mix.v + vnet, vmz);
  } else if (vnet < 0.0) {
    // The stagnant zone refills the mixing zone as far as it can; any
    // remaining withdrawal empties the mixing zone.
    stag.v = std::max(0.0, stag.v - vt);
    mix.v = std::max(0.0, mix.v + vnet + vt);
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

double first_in_first_out(SegmentChains &ch, int chain, double ctol, double vin, double win,
                          double vnet, double c) {
  if (ch.first(chain) < 0) return c;
  if (vin > 0.0) {
    const double cin = win / vin;
    Segment &last = ch.at(ch.last(chain));
    if (std::abs(last.c - cin) < ctol) last.v += vin;
    else ch.push_last(chain, vin, cin);
  }
  double vsum;
  const double wsum = withdraw(ch, chain, vin - vnet, vsum);
  if (vsum > 0.0) return wsum / vsum;
  return ch.at(ch.first(chain)).c;
}

double last_in_first_out(SegmentChains &ch, int chain, double ctol, double vin, double win,
                         double vnet, double c) {
  if (ch.first(chain) < 0) return c;
  const double cin = vin > 0.0 ? win / vin : 0.0;
  Segment &last = ch.at(ch.last(chain));
  if (vnet > 0.0) {
    if (std::abs(last.c - cin) < ctol) last.v += vnet;
    else ch.push_last(chain, vnet, cin);
    return ch.at(ch.last(chain)).c;
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
    case MixModel::Mixed: return complete_mix(chains, chain, vin, win, vnet, current);
    case MixModel::TwoComp:
      return two_compartment(chains, chain, mix.mixing_volume, vin, win, vnet, current);
    case MixModel::FIFO: return first_in_first_out(chains, chain, mix.tolerance, vin, win, vnet, current);
    case MixModel::LIFO: return last_in_first_out(chains, chain, mix.tolerance, vin, win, vnet, current);
  }
  return current;
}

}  // namespace orv::wq
