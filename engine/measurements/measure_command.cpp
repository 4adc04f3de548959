#include "measurements/measure_command.hpp"

#include <fstream>

#include "commands/command_table.hpp"
#include "measurements/csv_reader.hpp"

namespace orv::measurements {

void measure_command(Session &e, commands::Arguments &a) {
  const std::string word = a.word("measurement file or CLEAR");
  a.finish();
  const Model &m = e.model();
  MeasurementStore &store = measurements_of(e);
  if (upper(word) == "CLEAR") {
    store.clear();
    return;
  }
  const std::filesystem::path path = e.resolve(word);
  std::ifstream in(path);
  if (!in) throw Failure(Status::FileError, a.keyword() + ": cannot read " + path.string());
  store.merge(read_measurements(in, m, path.string()));
}

}  // namespace orv::measurements
