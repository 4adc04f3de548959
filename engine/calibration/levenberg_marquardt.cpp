#include "calibration/levenberg_marquardt.hpp"

#include <algorithm>

#include "model/status.hpp"

namespace orv::calibration {
namespace {

Eigen::VectorXd clamped(const Eigen::VectorXd &x, const LmProblem &p) {
  return x.cwiseMax(p.lower).cwiseMin(p.upper);
}

// Central differences, one-sided at a bound; nullopt when a residual fails.
std::optional<Eigen::MatrixXd> jacobian(const LmProblem &p, const Eigen::VectorXd &x,
                                        std::size_t m, double h) {
  Eigen::MatrixXd j(static_cast<Eigen::Index>(m), x.size());
  for (Eigen::Index k = 0; k < x.size(); ++k) {
    Eigen::VectorXd up = x, down = x;
    up[k] = std::min(x[k] + h, p.upper[k]);
    down[k] = std::max(x[k] - h, p.lower[k]);
    const auto ru = p.residuals(up), rd = p.residuals(down);
    if (!ru || !rd || up[k] == down[k]) return std::nullopt;
    j.col(k) = (*ru - *rd) / (up[k] - down[k]);
  }
  return j;
}

}  // namespace

LmResult levenberg_marquardt(const LmProblem &p, Eigen::VectorXd x0, const LmOptions &o,
                             const LmObserver &observe) {
  LmResult res;
  res.x = clamped(x0, p);
  const auto r0 = p.residuals(res.x);
  if (!r0) throw Failure(Status::SimulationFailed, "the model cannot be simulated before calibration");
  res.r = *r0;
  res.objective_0 = res.objective = res.r.squaredNorm();
  res.lambda = o.initial_lambda;
  if (observe) observe(0, res.x, res.r);
  while (res.iterations < o.max_iterations && res.objective > 0) {
    const auto j = jacobian(p, res.x, static_cast<std::size_t>(res.r.size()), o.difference_step);
    if (!j) break;
    const Eigen::MatrixXd a = j->transpose() * *j;
    const Eigen::VectorXd g = j->transpose() * res.r;
    const Eigen::VectorXd d = a.diagonal().cwiseMax(1e-12);
    bool accepted = false;
    Eigen::VectorXd step;
    double previous = res.objective;
    while (res.lambda <= 1e8) {
      Eigen::MatrixXd damped = a;
      damped.diagonal() += res.lambda * d;
      step = damped.ldlt().solve(-g);
      const Eigen::VectorXd x = clamped(res.x + step, p);
      const auto r = p.residuals(x);
      if (r && r->squaredNorm() < res.objective) {
        step = x - res.x;
        res.x = x;
        res.r = *r;
        res.objective = r->squaredNorm();
        res.lambda = std::max(res.lambda / 10.0, 1e-7);
        accepted = true;
        break;
      }
      res.lambda *= 10.0;
    }
    if (!accepted) break;
    ++res.iterations;
    if (observe) observe(res.iterations, res.x, res.r);
    if (previous - res.objective <= o.tolerance * previous || step.cwiseAbs().maxCoeff() < o.min_step)
      break;
  }
  return res;
}

}  // namespace orv::calibration
