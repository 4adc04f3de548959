// The engine seen from a fuzz target: its C entry points with texts passed as
// std::string_view, the engine opened once per process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "orvelle_sim.h"
#include "scratch.hpp"

namespace fuzz {

inline int command(std::string_view line) { return CmdExec(line.data(), static_cast<orv_len>(line.size())); }

// Opens the engine once, in the scratch folder: a file command that gets
// through (a generated SAVE, say) writes there.
inline void open_engine() {
  static const bool opened = [] {
    std::filesystem::current_path(scratch_folder());
    return VBOpenMelisto() > 0;
  }();
  if (!opened) std::abort();
}

// Every status is one of the documented ones; anything else is a fault.
inline void expect_status(int status, std::string_view what) {
  if (status < 0 || status > 11) {
    std::fprintf(stderr, "%.*s: undocumented status %d\n", static_cast<int>(what.size()), what.data(), status);
    std::abort();
  }
}

inline std::string quoted(const std::string &path) { return "\"" + path + "\""; }

}  // namespace fuzz
