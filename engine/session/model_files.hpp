// Loading the model from, and saving it to, INP files.
#pragma once

#include <string>

#include "session/session.hpp"

namespace orv {

// Reads a model; on any failure the loaded model stays as it was
// (Failure FileError for a missing file, InputError for rejected content).
void load_model(Session &e, const std::string &file);

// Writes the model through a uniquely named temporary file beside the target,
// renamed into place, so that a failed save never leaves a truncated file
// behind (Failure FileError); a symbolic link is kept and its target replaced.
void save_model(const Session &e, const std::string &file);

}  // namespace orv
