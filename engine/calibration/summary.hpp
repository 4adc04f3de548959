// Calibration thresholds and the summary of the last calibration run.
#pragma once

#include "session/session.hpp"

namespace orv::calibration {

// Thresholds of the calibration indicator, in the display unit of each measured
// attribute: a series whose deviation is at most `good` is class 1, at most
// `fair` class 2, at most `poor` class 3, beyond class 4.
struct Thresholds {
  double good = 0.5, fair = 1.0, poor = 2.0;
};

struct Summary {
  int iterations = 0;        // accepted Levenberg-Marquardt steps
  int iterations_to_100 = -1;  // first iteration with every measured series in class 1; -1 never
  double objective_min = 0;  // objective after the last accepted step
  double objective_100 = -1; // objective at iterations_to_100; -1 when never reached
  double objective_0 = 0;    // objective of the model before calibration
  double damping = 0;        // damping factor lambda at the end
  bool ran = false;
};

// The thresholds belong to the session (loading another model keeps them);
// the summary to the model it was made for.
inline Thresholds &thresholds_of(Session &e) { return e.part<Thresholds>(); }
inline Summary &summary_of(Session &e) { return e.model_part<Summary>(); }

}  // namespace orv::calibration
