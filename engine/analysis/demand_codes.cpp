#include "analysis/demand_codes.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "model/units.hpp"

namespace orv::analysis {

std::vector<CodeDemand> node_code_demands(const Model &m, int node) {
  const double factor = units::flow(m.options.flow_units);
  std::vector<CodeDemand> out;
  for (const Demand &d : m.nodes[node].demands) {
    auto it = std::find_if(out.begin(), out.end(), [&](auto &c) { return c.code == d.category; });
    if (it == out.end()) it = out.insert(out.end(), {d.category, 0.0});
    it->demand += d.base * factor;
  }
  return out;
}

std::vector<CodeSummary> code_summaries(const Model &m, bool used_only) {
  const double factor = units::flow(m.options.flow_units);
  std::map<std::string, std::pair<double, std::set<int>>> codes;
  for (int n = 0; n < static_cast<int>(m.nodes.size()); ++n)
    for (const Demand &d : m.nodes[n].demands) {
      if (used_only && d.base == 0.0) continue;
      auto &[total, nodes] = codes[d.category];
      total += d.base * factor;
      nodes.insert(n);
    }
  std::vector<CodeSummary> out;
  for (const auto &[code, entry] : codes)
    out.push_back({code, entry.first, static_cast<int>(entry.second.size())});
  return out;
}

bool code_exists(const Model &m, const std::string &code) {
  for (const Node &n : m.nodes)
    for (const Demand &d : n.demands)
      if (d.category == code) return true;
  return false;
}

}  // namespace orv::analysis
