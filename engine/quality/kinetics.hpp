// Reaction kinetics of the quality run: bulk reactions in pipes and tanks,
// wall reactions in pipes limited by mass transfer to the wall, and the ageing
// of water for age runs. Concentrations are in the model's display units
// (mass per litre); coefficients are converted once to per-second SI values.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/model.hpp"
#include "model/units.hpp"

namespace orv::wq {

// One pipe's reaction over one step, with the pipe's coefficients read once:
// the transport applies it to every parcel of the pipe, the bulk of a
// reacting run's work.
struct PipeReaction {
  bool age;
  double dt;
  double kb, bulk_order, climit;  // bulk: per second, order, limiting concentration
  double kw, diameter, rc;        // wall: coefficient, m, rate (see Kinetics::set_flows)
  bool zero_order_wall;
  // First-order bulk decay or growth without a limit and nothing at the wall,
  // the usual chlorine model: the same arithmetic without the general
  // branches, for every parcel of every pipe at every step.
  bool first_order_bulk_only = !age && kw == 0.0 && bulk_order == 1.0 && climit == 0.0;

  // Quality of a parcel of quality c after the step.
  double operator()(double c) const {
    if (age) return std::max(0.0, c + dt / 3600.0);
    if (first_order_bulk_only) return first_order_bulk(c);
    const double dc = (bulk_rate(c, kb, bulk_order, climit) + wall_rate(c)) * dt;
    return std::max(0.0, c + dc);
  }

  // The same where first_order_bulk_only holds.
  double first_order_bulk(double c) const {
    constexpr double kNoWall = 0.0;  // wall_rate's, kept so that rounding is the general path's
    const double p = c < 0 ? 0.0 : c;
    return std::max(0.0, c + (kb * p + kNoWall) * dt);
  }

  // Bulk reaction rate (concentration per second) of order n with limit climit.
  static double bulk_rate(double c, double kb, double order, double climit) {
    constexpr double kTiny = 1e-6;
    const auto sign = [](double v) { return v < 0 ? -1.0 : 1.0; };
    double p;  // concentration potential
    if (order == 0.0) p = 1.0;
    else if (order < 0.0) {  // Michaelis-Menten: c / (limit + c)
      double c1 = climit + sign(kb) * c;
      if (std::abs(c1) < kTiny) c1 = sign(c1) * kTiny;
      p = c / c1;
    } else {
      const double c1 = climit == 0.0 ? c : std::max(0.0, sign(kb) * (climit - c));
      if (order == 1.0) p = c1;
      else if (order == 2.0) p = c1 * c;
      else p = c1 * std::pow(std::max(0.0, c), order - 1.0);
    }
    if (p < 0) p = 0;
    return kb * p;
  }

  double wall_rate(double c) const {
    constexpr double kLitresPerM3 = units::kLitresPerCubicMetre;  // concentrations are per litre
    if (kw == 0.0 || diameter <= 0) return 0.0;
    if (zero_order_wall) {
      // Zero order: the wall consumes kw (mass/m2/s) unless transfer to the
      // wall delivers less.
      const double transfer = (kw < 0 ? -1.0 : 1.0) * c * kLitresPerM3 * rc;
      const double rate = std::abs(transfer) < std::abs(kw) ? transfer : kw;
      return rate * 4.0 / diameter / kLitresPerM3;
    }
    return c * rc;
  }
};

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

  // The reaction of pipe (link) k over dt seconds, and the quality of a
  // parcel of a tank (t) after dt seconds.
  PipeReaction pipe_reaction(int k, double dt) const {
    return {kind_ == QualityKind::Age, dt, kb_[k], bulk_order_, climit_, kw_[k], diameter_[k], rc_[k],
            wall_order_ == 0.0};
  }
  double tank_react(int t, double c, double dt) const;

  // Coefficients in force (per second), for reports and tests.
  double bulk_coeff(int k) const { return kb_[k]; }
  double wall_coeff(int k) const { return kw_[k]; }

 private:
  const Model &model_;
  QualityKind kind_;
  bool active_ = false;
  double bulk_order_, wall_order_, tank_order_, climit_;
  double viscosity_, diffusivity_, schmidt_;  // m2/s, m2/s, -
  std::vector<double> kb_, kw_, rc_;  // per link: 1/s-based bulk, SI wall (m/s or mass/m2/s), rate
  std::vector<double> diameter_;      // per link, m: read at every step, away from the model's records
  std::vector<double> tank_kb_;       // per tank, per second
};

}  // namespace orv::wq
