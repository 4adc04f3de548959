// Status logic of check valves, pumps, flow control valves, pressure valves
// and links attached to full or empty tanks, decided from the current heads
// and flows of a Newton iteration.
#pragma once

#include "hydraulics/network.hpp"

namespace orv::hyd {

// Re-examines PRVs and PSVs that have a setting; true if any status changed.
bool check_pressure_valves(const Net &net, State &s);
// Re-examines check valves, pumps, FCVs and links attached to tanks; true if any changed.
bool check_links(const Net &net, State &s);

// Head fixed by an active PRV (downstream) or PSV (upstream).
double valve_head_setting(const Net &net, const State &s, int k);

}  // namespace orv::hyd
