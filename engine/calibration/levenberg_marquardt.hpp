// Levenberg-Marquardt minimisation of a sum of squared residuals, with bounds
// on the parameters and a Jacobian by central differences.
//
// Each iteration solves (J'J + lambda diag(J'J)) dx = -J'r. A step that lowers
// the objective F = r'r is accepted and lambda divided by 10; otherwise lambda
// is multiplied by 10 and the step tried again. The run stops after
// `max_iterations` accepted steps, when an accepted step lowers F by less than
// `tolerance` F or moves no parameter by more than `min_step`, or when lambda
// exceeds 1e8.
#pragma once

#include <functional>
#include <optional>

#include <Eigen/Dense>

namespace orv::calibration {

struct LmOptions {
  int max_iterations = 20;
  double initial_lambda = 1e-2;
  double tolerance = 1e-8;
  double min_step = 1e-6;
  double difference_step = 1e-3;  // half-width of the central differences
};

struct LmProblem {
  // Residuals at x, or nullopt when they cannot be computed there.
  std::function<std::optional<Eigen::VectorXd>(const Eigen::VectorXd &)> residuals;
  Eigen::VectorXd lower, upper;
};

struct LmResult {
  Eigen::VectorXd x;
  Eigen::VectorXd r;
  double objective_0 = 0.0, objective = 0.0, lambda = 0.0;
  int iterations = 0;
};

// Called with the iteration number (0 for the start) and the residuals of
// every accepted point.
using LmObserver = std::function<void(int, const Eigen::VectorXd &x, const Eigen::VectorXd &r)>;

// Throws Failure(SimulationFailed) when the residuals cannot be computed at x0.
LmResult levenberg_marquardt(const LmProblem &p, Eigen::VectorXd x0, const LmOptions &o,
                             const LmObserver &observe);

}  // namespace orv::calibration
