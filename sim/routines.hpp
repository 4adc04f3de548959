// The routine tables of _pyorvsim, one per topic source.
#pragma once

#include <span>

#include "frame.hpp"
#include "orvelle_sim.h"
#include "version_gate.hpp"

namespace sim {

using frame::Array;
using frame::routine;
using frame::Text;

std::span<const frame::RoutineDef> open_command_routines();      // open_commands.cpp
std::span<const frame::RoutineDef> lookup_attribute_routines();  // lookup_attributes.cpp
std::span<const frame::RoutineDef> network_vector_routines();    // network_vectors.cpp
std::span<const frame::RoutineDef> time_series_routines();       // time_series.cpp
std::span<const frame::RoutineDef> walk_routines();              // walks.cpp
std::span<const frame::RoutineDef> analysis_routines();          // analysis.cpp
std::span<const frame::RoutineDef> editing_routines();           // editing.cpp

// Fills all n characters of a text with blanks.
inline void blank(Text t) {
  for (int64_t k = 0; k < t.n; ++k) t.p[k] = ' ';
}

}  // namespace sim
