// The engine version stored by the open routines and read by every gate.
#pragma once

#include <cstdint>

namespace sim {

// Process-wide, shared with the module-variable group `pyorvsim`.
inline int32_t vers_orvdll = 0;

inline bool gate_open(int32_t threshold) { return vers_orvdll >= threshold; }

}  // namespace sim
