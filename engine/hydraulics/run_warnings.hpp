// What a hydraulic run tells about itself beyond its devices: unbalanced
// instants, negative pressures, instants balanced only in the extra trials and
// junctions cut off from every source, each kept at its first instant and
// summed up in the run's status and message.
#pragma once

#include <string>

#include "hydraulics/gga.hpp"
#include "hydraulics/network.hpp"
#include "hydraulics/simulate.hpp"

namespace orv::hyd {

// "h:mm:ss" of a time in seconds, as messages show instants.
std::string clock_text(double seconds);

// An open pump carrying more than its curve's largest flow at its speed.
bool pump_beyond_curve(const Net &net, const State &s, int k);

class RunWarnings {
 public:
  // Notes the conditions of the instant just solved.
  void note(const Net &net, const State &s, const SolveOutcome &out);
  // The run stops at the unbalanced instant (UNBALANCED STOP).
  void halt() { halted_ = true; }
  // Status and message: the gravest condition decides the status
  // (unbalanced, then negative pressures, then devices); the message names
  // every condition met, each at its first instant.
  void summarise(const Model &m, SimulationRun &run) const;

 private:
  void note_disconnected(const Net &net, const State &s);

  double first_unbalanced_ = -1;
  bool halted_ = false;
  double first_balanced_late_ = -1;  // balanced only in the extra trials
  struct NegativePressure { int instants = 0; double time = 0; int node = kNone; double pressure = 0; } negative_;
  struct Disconnection { int instants = 0; double time = 0; int node = kNone; int nodes = 0; } disconnected_;
};

}  // namespace orv::hyd
