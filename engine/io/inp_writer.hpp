// Writes a Model back as INP text, in the model's display units; SAVE puts
// the text in place (session/model_files.cpp).
#pragma once

#include <string>

#include "model/model.hpp"

namespace orv {

// The INP text of the model.
std::string inp_text(const Model &model);

}  // namespace orv
