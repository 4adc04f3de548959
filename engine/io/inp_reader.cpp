#include "io/inp_reader.hpp"

namespace orv {

Model read_inp(const std::string &path) { throw InputError(path, 0, "reader not available yet"); }
Model read_inp_text(const std::string &, const std::string &name) {
  throw InputError(name, 0, "reader not available yet");
}

}  // namespace orv
