// Steady-state solution of one hydraulic instant by the global gradient method:
// Newton iterations on link flows and junction heads, with the status logic of
// devices re-examined along the way.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "hydraulics/network.hpp"

namespace orv::hyd {

struct SolverLayout;

struct SolveOutcome {
  bool converged = false;
  bool singular = false;
  int iterations = 0;          // trials taken (beyond TRIALS: balanced only in the extra trials)
  double relative_error = 0;
  std::vector<int> unsettled;  // links whose status changed in the last status check
};

class GradientSolver {
 public:
  // Plans the matrix once (or takes the plan given); `trace`, when given,
  // receives each trial's relative flow change and status changes.
  explicit GradientSolver(const Net &net, std::FILE *trace = nullptr,
                          std::shared_ptr<const SolverLayout> layout = nullptr);
  ~GradientSolver();
  GradientSolver(const GradientSolver &) = delete;
  GradientSolver &operator=(const GradientSolver &) = delete;

  // Solves the instant of s.
  SolveOutcome solve(State &s);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv::hyd
