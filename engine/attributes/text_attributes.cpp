#include "attributes/text_attributes.hpp"

#include <array>

namespace orv {
namespace {

// Element types a text attribute applies to.
constexpr unsigned kLink = 1u << 1, kNode = 1u << 2, kTank = 1u << 3;

unsigned bit(ElementType t) { return 1u << static_cast<int>(t); }

struct TextAttribute {
  std::string_view name;
  std::string_view description;
  unsigned types;
  std::string (*read)(const Session &, ElementType, int element);
};

// Node index of an element of a node-like type.
int node_of(const Model &m, ElementType t, int element) {
  return t == ElementType::Tank ? tank_node(m, element) : element;
}

std::string kind_name(const Model &m, ElementType t, int element) {
  if (t == ElementType::Link) {
    static const char *names[] = {"PIPE", "CVPIPE", "PUMP", "PRV", "PSV", "PBV", "FCV", "TCV", "GPV"};
    return names[static_cast<int>(m.links[element].kind)];
  }
  static const char *names[] = {"JUNCTION", "RESERVOIR", "TANK"};
  return names[static_cast<int>(m.nodes[node_of(m, t, element)].kind)];
}

const auto table = std::to_array<TextAttribute>({
    {"ID", "identifier", kLink | kNode | kTank,
     [](const Session &e, ElementType t, int i) { return element_id(e.model(), t, i); }},
    {"TYPE", "kind: JUNCTION, RESERVOIR, TANK, PIPE, CVPIPE, PUMP, PRV, PSV, PBV, FCV, TCV, GPV",
     kLink | kNode | kTank,
     [](const Session &e, ElementType t, int i) { return kind_name(e.model(), t, i); }},
    {"NI", "identifier of the start node", kLink,
     [](const Session &e, ElementType, int i) {
       const Model &m = e.model();
       return m.nodes[m.links[i].from].id;
     }},
    {"NF", "identifier of the end node", kLink,
     [](const Session &e, ElementType, int i) {
       const Model &m = e.model();
       return m.nodes[m.links[i].to].id;
     }},
    {"STATUS", "initial status: OPEN, CLOSED or ACTIVE", kLink,
     [](const Session &e, ElementType, int i) {
       static const char *names[] = {"OPEN", "CLOSED", "ACTIVE"};
       return std::string(names[static_cast<int>(e.model().links[i].initial_status)]);
     }},
    {"TAG", "tag", kLink | kNode | kTank,
     [](const Session &e, ElementType t, int i) {
       const Model &m = e.model();
       return t == ElementType::Link ? m.links[i].tag : m.nodes[node_of(m, t, i)].tag;
     }},
    {"COMMENT", "comment of the element's line", kLink | kNode | kTank,
     [](const Session &e, ElementType t, int i) {
       const Model &m = e.model();
       return t == ElementType::Link ? m.links[i].comment : m.nodes[node_of(m, t, i)].comment;
     }},
    {"CODES", "demand codes of the node, comma-separated", kNode | kTank,
     [](const Session &e, ElementType t, int i) {
       const Model &m = e.model();
       std::string out;
       for (const Demand &d : m.nodes[node_of(m, t, i)].demands) {
         if (d.category.empty() || ("," + out + ",").find("," + d.category + ",") != std::string::npos)
           continue;
         if (!out.empty()) out += ',';
         out += d.category;
       }
       return out;
     }},
    {"PATTERN", "pattern of the first demand (nodes), head pattern (reservoirs)", kNode | kTank,
     [](const Session &e, ElementType t, int i) {
       const Model &m = e.model();
       const Node &n = m.nodes[node_of(m, t, i)];
       int p = kNone;
       if (n.tank != kNone) p = m.tanks[n.tank].head_pattern;
       else if (!n.demands.empty()) p = n.demands.front().pattern;
       return p == kNone ? std::string() : m.patterns[p].id;
     }},
    {"ZONE", "zones holding the node, comma-separated", kNode | kTank,
     [](const Session &e, ElementType t, int i) {
       const int node = node_of(e.model(), t, i);
       std::string out;
       for (const auto &[name, nodes] : e.zones())
         for (int n : nodes)
           if (n == node) {
             if (!out.empty()) out += ',';
             out += name;
             break;
           }
       return out;
     }},
});

}  // namespace

std::string text_attribute(const Session &e, ElementType type, int element, std::string_view name) {
  const std::string key = upper(name);
  for (const TextAttribute &a : table)
    if (a.name == key) {
      if (!(a.types & bit(type))) break;
      return a.read(e, type, element);
    }
  throw Failure(Status::UnknownAttribute, "'" + std::string(name) + "' is not a text attribute of a " +
                                              element_type_name(type));
}

}  // namespace orv
