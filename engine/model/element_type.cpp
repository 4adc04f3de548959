#include "model/element_type.hpp"

namespace orv {

std::optional<ElementType> element_type(int code) {
  if (code < 1 || code > 3) return std::nullopt;
  return static_cast<ElementType>(code);
}

const char *element_type_name(ElementType t) {
  switch (t) {
    case ElementType::Link: return "branch";
    case ElementType::Node: return "node";
    case ElementType::Tank: return "tank";
  }
  return "element";
}

int element_count(const Model &m, ElementType t) {
  switch (t) {
    case ElementType::Link: return static_cast<int>(m.links.size());
    case ElementType::Node: return static_cast<int>(m.nodes.size());
    case ElementType::Tank: return static_cast<int>(m.tanks.size());
  }
  return 0;
}

int find_element(const Model &m, ElementType t, const std::string &id) {
  switch (t) {
    case ElementType::Link: return m.find_link(id);
    case ElementType::Node: return m.find_node(id);
    case ElementType::Tank: {
      const int node = m.find_node(id);
      return node == kNone ? kNone : m.nodes[node].tank;
    }
  }
  return kNone;
}

const std::string &element_id(const Model &m, ElementType t, int index) {
  switch (t) {
    case ElementType::Link: return m.links[index].id;
    case ElementType::Node: return m.nodes[index].id;
    case ElementType::Tank: return m.nodes[m.tanks[index].node].id;
  }
  return m.nodes[index].id;
}

}  // namespace orv
