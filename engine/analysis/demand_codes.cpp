#include "analysis/demand_codes.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "session/session.hpp"
#include "model/units.hpp"

namespace orv::analysis {

std::vector<CodeDemand> node_code_demands(const Model &m, int node) {
  const double factor = units::flow(m.options.flow_units);
  std::vector<CodeDemand> out;
  for (const Demand &d : m.nodes[node].demands) {
    auto it = std::find_if(out.begin(), out.end(),
                           [&](auto &c) { return upper(c.code) == upper(d.category); });
    if (it == out.end()) it = out.insert(out.end(), {d.category, 0.0});
    it->demand += d.base * factor;
  }
  return out;
}

std::vector<CodeSummary> code_summaries(const Model &m, bool used_only) {
  const double factor = units::flow(m.options.flow_units);
  struct Entry {
    std::string spelling;  // the first one met
    double total = 0.0;
    std::set<int> nodes;
  };
  std::map<std::string, Entry> codes;  // by upper-cased code
  for (int n = 0; n < static_cast<int>(m.nodes.size()); ++n)
    for (const Demand &d : m.nodes[n].demands) {
      if (used_only && d.base == 0.0) continue;
      Entry &e = codes[upper(d.category)];
      if (e.nodes.empty()) e.spelling = d.category;
      e.total += d.base * factor;
      e.nodes.insert(n);
    }
  std::vector<CodeSummary> out;
  for (const auto &[key, e] : codes) out.push_back({e.spelling, e.total, static_cast<int>(e.nodes.size())});
  return out;
}

bool code_exists(const Model &m, const std::string &code) {
  const std::string key = upper(code);
  for (const Node &n : m.nodes)
    for (const Demand &d : n.demands)
      if (upper(d.category) == key) return true;
  return false;
}

}  // namespace orv::analysis
