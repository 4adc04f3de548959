// Reading measured series from a CSV file.
//
// One measured value per line: element type, element identifier, attribute
// symbol, instant, value, separated by commas (or by semicolons on a line
// without commas). The type is NODE, BRANCH or TANK (or their codes 2, 1, 3),
// the attribute one of the element type's attributes of simulated results
// (P, H, D, Q, V, LV...), the instant hours from the simulation start as a
// number or as h:mm[:ss], the value in the attribute's display unit. Blank
// lines, lines starting with '#' and a first other line starting with the
// word "type" (a header) are skipped.
#pragma once

#include <istream>
#include <string>

#include "measurements/measurement_store.hpp"
#include "model/model.hpp"

namespace orv::measurements {

// Reads every line; throws Failure(InputError) listing the bad lines by number
// (the first ten of them and their count) when any is wrong, so that nothing of
// a bad file is kept. `source` names the file in messages.
MeasurementStore read_measurements(std::istream &in, const Model &m, const std::string &source);

}  // namespace orv::measurements
