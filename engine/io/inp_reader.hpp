// Reads a network from an INP file into a fresh Model.
#pragma once

#include <string>

#include "io/input_error.hpp"
#include "model/model.hpp"

namespace orv {

// Throws InputError (file, line, reason) on unreadable, malformed or inconsistent
// input. Builds the model in a local object, so a failure leaves nothing behind.
Model read_inp(const std::string &path);

// Same, from text already in memory; `name` stands for the file in error messages.
Model read_inp_text(const std::string &text, const std::string &name);

}  // namespace orv
