// State of the analysis features kept between calls, as parts of the session.
// The SHL catalogue and the density table belong to the session: loading
// another model keeps them, opening or closing the engine or unloading the
// model resets them. The SHL attachments and the walks belong to the model
// they were made for and are dropped when another model is installed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/density.hpp"
#include "analysis/singular_losses.hpp"
#include "session/session.hpp"

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

struct SessionTables {
  ShlCatalogue shl;
  DensityTable density;
};

struct ModelState {
  ShlAttachments attachments;
  Walk<NamedCount> node_codes;   // (code, demand) of one node
  Walk<NamedCount> codes;        // (code, demand, node count)
  Walk<NamedCount> table;        // (entry, count)
};

// Both parts of a session's analysis state.
struct AnalysisState {
  ShlCatalogue &shl;
  DensityTable &density;
  ModelState &model;
};

AnalysisState analysis_state(Session &e);

}  // namespace orv::analysis
