// Demand codes: a demand category's name is its code. Demands here are base
// demands as the model holds them (DEMANDS section), in display flow units,
// neither multiplied by their patterns nor by the global demand multiplier.
// Demands without a category have the empty code "". Codes are compared
// case-insensitively and named as first met.
#pragma once

#include <string>
#include <vector>

#include "model/model.hpp"

namespace orv::analysis {

struct CodeDemand {
  std::string code;
  double demand = 0.0;  // display flow units
};

// Demand of each code at one node, codes in their first order of appearance
// at the node, several demands of one code summed.
std::vector<CodeDemand> node_code_demands(const Model &m, int node);

struct CodeSummary {
  std::string code;
  double demand = 0.0;  // total over the nodes, display flow units
  int nodes = 0;        // nodes with a demand of the code
};

// Every code in the order of the upper-cased codes. With used_only, only demands with a
// non-zero base count: codes all of whose demands are zero are left out and a
// node counts for a code only through a non-zero demand.
std::vector<CodeSummary> code_summaries(const Model &m, bool used_only);

// True when some demand of the model has the code.
bool code_exists(const Model &m, const std::string &code);

}  // namespace orv::analysis
