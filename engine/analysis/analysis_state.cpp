#include "analysis/analysis_state.hpp"

namespace orv::analysis {
namespace {

// What tells one installed model from another. A new model is read while the
// old one is still held, so its element arrays live at other addresses; the
// counts and file name guard against an address used again later.
struct Fingerprint {
  const void *nodes = nullptr, *links = nullptr;
  std::size_t node_count = 0, link_count = 0;
  std::string file;
  bool operator==(const Fingerprint &) const = default;
};

Fingerprint fingerprint(const Engine &e) {
  if (!e.has_model()) return {};
  const Model &m = e.model();
  return {m.nodes.data(), m.links.data(), m.nodes.size(), m.links.size(), e.model_file()};
}

}  // namespace

AnalysisState &analysis_state(const Engine &e) {
  static AnalysisState state;
  static Fingerprint bound;
  const Fingerprint now = fingerprint(e);
  if (!(now == bound)) {
    state.model = ModelState{};
    bound = now;
  }
  return state;
}

}  // namespace orv::analysis
