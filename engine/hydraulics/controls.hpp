// Simple controls and rule-based controls acting on link statuses and settings.
#pragma once

#include "hydraulics/network.hpp"

namespace orv::hyd {

// Status and setting a link takes when told to open, close, activate or take a value.
struct LinkTarget {
  LinkState status;
  double setting;
};
LinkTarget target_for_status(const Net &net, const State &s, int k, LinkStatus wanted);
LinkTarget target_for_setting(const Net &net, int k, double value);
// Applies a target; true if the link's status or setting changed.
bool apply_target(const Net &net, State &s, int k, const LinkTarget &t);
// Flow a link starts from: tiny when closed, design flow of a pump, 1 ft/s otherwise.
double initial_flow(const Net &net, int k, LinkState status, double setting);
bool differs(const State &s, int k, const LinkTarget &t);

// Applies the simple controls whose condition holds at s.time; true if any link changed.
bool apply_simple_controls(const Net &net, State &s);
// Applies the controls on junction pressures that hold at the current heads
// (within the head tolerance); true if any link changed.
bool apply_pressure_switches(const Net &net, State &s);
// Shortens `step` so that it ends when a tank-level or time control would act.
void limit_step_by_controls(const Net &net, const State &s, double &step);

// Evaluates the rules at s.time (the rule substep just taken was `dt` long) and
// applies the winning actions; returns the number of links changed.
int apply_rules(const Net &net, State &s, double dt);

}  // namespace orv::hyd
