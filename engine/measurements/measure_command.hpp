// The MEASURE command:
//   MEASURE <file.csv>   loads the file's series (csv_reader.hpp), replacing
//                        loaded series of the same element and attribute;
//   MEASURE CLEAR        drops every loaded series.
#pragma once

#include "commands/arguments.hpp"
#include "core/engine.hpp"

namespace orv::measurements {

void measure_command(Engine &e, commands::Arguments &a);

}  // namespace orv::measurements
