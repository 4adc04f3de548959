// The MEASURE command:
//   MEASURE <file.csv>   loads the file's series (csv_reader.hpp), replacing
//                        loaded series of the same element and attribute;
//   MEASURE CLEAR        drops every loaded series.
#pragma once

#include "commands/arguments.hpp"
#include "session/session.hpp"

namespace orv::measurements {

void measure_command(Session &e, commands::Arguments &a);

}  // namespace orv::measurements
