#include "analysis/analysis_state.hpp"

namespace orv::analysis {

AnalysisState analysis_state(Session &e) {
  SessionTables &tables = e.part<SessionTables>();
  return {tables.shl, tables.density, e.model_part<ModelState>()};
}

}  // namespace orv::analysis
