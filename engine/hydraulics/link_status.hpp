// Status logic of check valves, pumps, flow control valves, pressure valves
// and links attached to full or empty tanks, decided from the current heads
// and flows of a Newton iteration.
#pragma once

#include <vector>

#include "hydraulics/network.hpp"

namespace orv::hyd {

// The links whose status the checks below may change, found once per run:
// the PRVs and PSVs; the check valves, pumps, FCVs and links attached to tanks.
std::vector<int> pressure_valves(const Net &net);
std::vector<int> checked_links(const Net &net);

// Re-examines the PRVs and PSVs that have a setting; true if any status changed.
bool check_pressure_valves(const Net &net, State &s, const std::vector<int> &valves);
// Re-examines the given checked links; true if any changed.
bool check_links(const Net &net, State &s, const std::vector<int> &links);

// Head fixed by an active PRV (downstream) or PSV (upstream).
double valve_head_setting(const Net &net, const State &s, int k);

}  // namespace orv::hyd
