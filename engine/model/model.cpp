#include "model/model.hpp"

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

int Model::junction_count() const {
  int n = 0;
  for (const Node &node : nodes) n += node.kind == NodeKind::Junction;
  return n;
}

}  // namespace orv
