// Bookkeeping conventions of the water-quality transport.
#pragma once

namespace orv::wq {

// How the transport books water in the few places where modelling
// conventions differ. The defaults follow the water. `reference()` reproduces
// the conventions of the reference engine the results are validated against,
// at the price of moving water where it is not: a pipe with a check valve
// passes its water on at once, and a pipe whose flow reverses across a period
// of standstill hands its far end's water to the node it flows into.
struct Conventions {
  bool check_valve_pipes_hold_water = true;
  // Remember which way a pipe's contents lie through periods without flow,
  // so that they are turned when the flow resumes the other way.
  bool turn_after_standstill = true;
  // Flows below 0.005 gpm still move water (without setting a direction).
  bool standstill_flows_move = false;
  // Pipe volumes as πD²L/4 with π/4 rounded to 0.785398: a front reaches the
  // end of a long pipe a few millilitres apart otherwise, which shows where
  // water of very different qualities meets.
  bool rounded_pipe_volumes = false;
  // A layered (FIFO, LIFO) tank counts as full for the whole run when it is
  // full at the end of the hydraulics: when full, whatever fills it spills.
  bool full_tanks_by_final_volume = false;
  static constexpr Conventions reference() { return {false, false, true, true, true}; }
};

}  // namespace orv::wq
