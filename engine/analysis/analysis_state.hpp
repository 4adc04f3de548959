// State of the analysis features kept between calls. The SHL catalogue, the
// density table and the calibration thresholds belong to the session: loading
// another model keeps them, opening or closing the engine or unloading the
// model resets them. The measurements, SHL attachments, calibration summary
// and the walks belong to the model they were made for and are dropped when
// another model is installed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/density.hpp"
#include "analysis/singular_losses.hpp"
#include "calibration/summary.hpp"
#include "core/engine.hpp"
#include "measurements/measurement_store.hpp"

namespace orv::analysis {

// One walk: the items taken when it was started, and the next position.
template <class Item>
struct Walk {
  std::vector<Item> items;
  std::size_t next = 0;
  bool started = false;
  void start(std::vector<Item> v) {
    items = std::move(v);
    next = 0;
    started = true;
  }
  // The next item, or null before a start or after the last item.
  const Item *advance() {
    if (!started || next >= items.size()) return nullptr;
    return &items[next++];
  }
};

struct NamedCount {
  std::string name;
  double value = 0.0;
  int count = 0;
};

struct ModelState {
  measurements::MeasurementStore measurements;
  ShlAttachments attachments;
  calibration::Summary summary;
  Walk<NamedCount> node_codes;   // (code, demand) of one node
  Walk<NamedCount> codes;        // (code, demand, node count)
  Walk<NamedCount> table;        // (entry, count)
};

struct AnalysisState {
  ShlCatalogue shl;
  DensityTable density;
  calibration::Thresholds thresholds;
  ModelState model;
};

// The state, its model part reset when the engine's model generation is not
// the one it was made for.
AnalysisState &analysis_state(const Engine &e);

}  // namespace orv::analysis
