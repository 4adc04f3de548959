#include "quality/quality.hpp"

namespace orv {

void simulate_quality(const Model &model, HydraulicRun &run) {
  if (model.options.quality == QualityKind::None) return;
  (void)run;
}

}  // namespace orv
