#include "analysis/analysis_state.hpp"

namespace orv::analysis {

AnalysisState &analysis_state(const Engine &e) {
  static AnalysisState state;
  static std::uint64_t generation = 0;
  if (e.model_generation() != generation) {
    generation = e.model_generation();
    state.model = ModelState{};
    // Opening or closing the engine, or unloading its model, ends the session.
    if (!e.has_model()) state = AnalysisState{};
  }
  return state;
}

}  // namespace orv::analysis
