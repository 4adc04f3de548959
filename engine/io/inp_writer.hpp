// Writes a Model back to an INP file, in the model's display units.
#pragma once

#include <string>

#include "model/model.hpp"

namespace orv {

// Throws std::runtime_error when the file cannot be written.
void write_inp(const Model &model, const std::string &path);

// The INP text of the model.
std::string inp_text(const Model &model);

}  // namespace orv
