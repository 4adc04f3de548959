#include "io/inp_writer.hpp"

#include <stdexcept>

namespace orv {

std::string inp_text(const Model &) { return {}; }
void write_inp(const Model &, const std::string &) { throw std::runtime_error("writer not available yet"); }

}  // namespace orv
