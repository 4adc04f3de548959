#include "measurements/measure_command.hpp"

#include <fstream>

#include "analysis/analysis_state.hpp"
#include "commands/command_table.hpp"
#include "measurements/csv_reader.hpp"

namespace orv::measurements {

void measure_command(Engine &e, commands::Arguments &a) {
  const std::string word = a.word("measurement file or CLEAR");
  a.finish();
  const Model &m = e.model();
  analysis::AnalysisState &s = analysis::analysis_state(e);
  if (upper(word) == "CLEAR") {
    s.model.measurements.clear();
    return;
  }
  const std::filesystem::path path = e.resolve(word);
  std::ifstream in(path);
  if (!in) throw Failure(Status::FileError, a.keyword() + ": cannot read " + path.string());
  s.model.measurements.merge(read_measurements(in, m, path.string()));
}


namespace {
[[maybe_unused]] const bool registered = (commands::provide_handler("MEASURE", measure_command), true);
}  // namespace

}  // namespace orv::measurements
