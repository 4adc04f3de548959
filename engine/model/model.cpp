#include "model/model.hpp"

#include <cmath>

namespace orv {

namespace {
int lookup(const std::unordered_map<std::string, int> &map, const std::string &id) {
  auto it = map.find(id);
  return it == map.end() ? kNone : it->second;
}
}  // namespace

int Model::find_node(const std::string &id) const { return lookup(node_index, id); }
int Model::find_link(const std::string &id) const { return lookup(link_index, id); }
int Model::find_pattern(const std::string &id) const { return lookup(pattern_index, id); }
int Model::find_curve(const std::string &id) const { return lookup(curve_index, id); }

std::vector<int> Model::unconnected_junctions() const {
  std::vector<char> linked(nodes.size(), 0);
  for (const Link &l : links) linked[l.from] = linked[l.to] = 1;
  std::vector<int> out;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (!linked[i] && nodes[i].kind == NodeKind::Junction) out.push_back(static_cast<int>(i));
  return out;
}

double Model::pattern_factor(int pattern, double t) const {
  if (pattern == kNone || pattern < 0 || pattern >= static_cast<int>(patterns.size())) return 1.0;
  const std::vector<double> &f = patterns[static_cast<std::size_t>(pattern)].factors;
  if (f.empty()) return 1.0;
  const double step = times.pattern_step > 0 ? times.pattern_step : 3600.0;
  const auto period = static_cast<long long>(std::floor((t + times.pattern_start) / step));
  const auto n = static_cast<long long>(f.size());
  return f[static_cast<std::size_t>(((period % n) + n) % n)];
}

int Model::junction_count() const {
  int n = 0;
  for (const Node &node : nodes) n += node.kind == NodeKind::Junction;
  return n;
}

}  // namespace orv
