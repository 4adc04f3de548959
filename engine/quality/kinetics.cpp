#include "quality/kinetics.hpp"

#include <algorithm>
#include <cmath>

#include "model/units.hpp"

namespace orv::wq {
namespace {

using units::kFoot;
constexpr double kDay = units::kSecondsPerDay;
constexpr double kRefDiffusivity = 1.3e-8 * kFoot * kFoot;  // chlorine in water at 20 C, m2/s
constexpr double kUnlimited = 1e10;  // mass-transfer coefficient when transfer is ignored

bool is_pipe(const Link &l) { return l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe; }

// Wall coefficient of a pipe without its own: the global one, or the one
// correlated with the pipe's roughness when a correlation factor is given.
double default_wall(const Model &m, const Link &l) {
  const double f = m.reactions.roughness_correlation;
  if (f == 0.0) return m.reactions.global_wall;
  if (l.roughness <= 0 || l.diameter <= 0) return 0.0;
  switch (m.options.headloss) {
    case HeadlossFormula::HazenWilliams: return f / l.roughness;
    case HeadlossFormula::DarcyWeisbach: return f / std::abs(std::log(l.roughness / l.diameter));
    case HeadlossFormula::ChezyManning: return f * l.roughness;
  }
  return 0.0;
}

}  // namespace

Kinetics::Kinetics(const Model &model)
    : model_(model),
      kind_(model.options.quality),
      bulk_order_(model.reactions.bulk_order),
      wall_order_(model.reactions.wall_order),
      tank_order_(model.reactions.tank_order),
      climit_(model.reactions.limiting_potential) {
  viscosity_ = units::kWaterViscosity * model.options.viscosity;
  diffusivity_ = kRefDiffusivity * model.options.diffusivity;
  schmidt_ = diffusivity_ > 0 ? viscosity_ / diffusivity_ : 0.0;

  // Wall coefficients come per day in display units: length/day for first
  // order, mass/area/day for zero order. Internally m/s and mass/m2/s.
  const double len = model.us_units() ? kFoot : 1.0;
  const double wall_si = wall_order_ == 0.0 ? 1.0 / (len * len) : len;
  const std::size_t nl = model.links.size();
  kb_.assign(nl, 0.0);
  kw_.assign(nl, 0.0);
  rc_.assign(nl, 0.0);
  diameter_.assign(nl, 0.0);
  for (std::size_t k = 0; k < nl; ++k) {
    const Link &l = model.links[k];
    diameter_[k] = l.diameter;
    if (!is_pipe(l)) continue;
    kb_[k] = l.bulk_coeff.value_or(model.reactions.global_bulk) / kDay;
    kw_[k] = l.wall_coeff.value_or(default_wall(model, l)) * wall_si / kDay;
  }
  tank_kb_.assign(model.tanks.size(), 0.0);
  for (std::size_t t = 0; t < model.tanks.size(); ++t)
    if (!model.tanks[t].reservoir)
      tank_kb_[t] = model.tanks[t].bulk_coeff.value_or(model.reactions.global_bulk) / kDay;

  if (kind_ == QualityKind::Age) active_ = true;
  else if (kind_ == QualityKind::Chemical) {
    active_ = std::any_of(kb_.begin(), kb_.end(), [](double v) { return v != 0.0; }) ||
              std::any_of(kw_.begin(), kw_.end(), [](double v) { return v != 0.0; }) ||
              std::any_of(tank_kb_.begin(), tank_kb_.end(), [](double v) { return v != 0.0; });
  }
}

void Kinetics::set_flows(const std::vector<double> &flow) {
  if (kind_ != QualityKind::Chemical || !active_) return;
  for (std::size_t k = 0; k < kw_.size(); ++k) {
    const double d = diameter_[k];
    if (kw_[k] == 0.0 || d <= 0) {
      rc_[k] = 0.0;
      continue;
    }
    if (schmidt_ == 0.0) {  // no diffusion data: the wall reaction alone decides
      rc_[k] = wall_order_ == 0.0 ? kUnlimited : kw_[k] * 4.0 / d;
      continue;
    }
    const double u = std::abs(flow[k]) / units::circle_area(d);
    const double re = u * d / viscosity_;
    double sh;
    if (re < 1.0) sh = 2.0;  // stagnant water: diffusion to the wall over the radius
    else if (re >= 2300.0) sh = 0.0149 * std::pow(re, 0.88) * std::pow(schmidt_, 0.333);
    else {  // laminar flow, developing concentration profile
      const double length = model_.links[k].length;
      const double y = length > 0 ? d / length * re * schmidt_ : 0.0;
      sh = 3.65 + 0.0668 * y / (1.0 + 0.04 * std::pow(y, 0.667));
    }
    const double kf = sh * diffusivity_ / d;  // mass-transfer coefficient, m/s
    if (wall_order_ == 0.0) rc_[k] = kf;
    else rc_[k] = (4.0 / d) * kw_[k] * kf / (kf + std::abs(kw_[k]));
  }
}

double Kinetics::tank_react(int t, double c, double dt) const {
  if (kind_ == QualityKind::Age) return std::max(0.0, c + dt / 3600.0);
  return std::max(0.0, c + PipeReaction::bulk_rate(c, tank_kb_[t], tank_order_, climit_) * dt);
}

}  // namespace orv::wq
