// Reaction kinetics of the quality run: bulk reactions in pipes and tanks,
// wall reactions in pipes limited by mass transfer to the wall, and the ageing
// of water for age runs. Concentrations are in the model's display units
// (mass per litre); coefficients are converted once to per-second SI values.
#pragma once

#include <vector>

#include "model/model.hpp"

namespace orv::wq {

class Kinetics {
 public:
  explicit Kinetics(const Model &model);

  // False when nothing reacts (a chemical without any coefficient, or a trace).
  bool active() const { return active_; }

  // Wall rate coefficients for the flows of a hydraulic period (m3/s per link,
  // 0 for closed links): 1/s for first-order walls, the mass-transfer
  // coefficient (m/s) for zero-order walls.
  void set_flows(const std::vector<double> &flow);

  // False when parcels of pipe k keep their quality (a chemical without coefficients there).
  bool reacts_in_pipe(int k) const {
    return kind_ == QualityKind::Age || kb_[k] != 0.0 || kw_[k] != 0.0;
  }

  // Quality of a parcel of a pipe (link k) and of a tank (t) after dt seconds.
  double pipe_react(int k, double c, double dt) const;
  double tank_react(int t, double c, double dt) const;

  // Coefficients in force (per second), for reports and tests.
  double bulk_coeff(int k) const { return kb_[k]; }
  double wall_coeff(int k) const { return kw_[k]; }

  // Bulk reaction rate (concentration per second) of order n with limit climit.
  static double bulk_rate(double c, double kb, double order, double climit);

 private:
  double wall_rate(int k, double c) const;

  const Model &model_;
  QualityKind kind_;
  bool active_ = false;
  double bulk_order_, wall_order_, tank_order_, climit_;
  double viscosity_, diffusivity_, schmidt_;  // m2/s, m2/s, -
  std::vector<double> kb_, kw_, rc_;  // per link: 1/s-based bulk, SI wall (m/s or mass/m2/s), rate
  std::vector<double> tank_kb_;       // per tank, per second
};

}  // namespace orv::wq
