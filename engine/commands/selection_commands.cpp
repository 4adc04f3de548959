// SELECTION module: SELECT, ZONE, DELETE.
#include <regex>

#include "attributes/values.hpp"
#include "commands/command_table.hpp"
#include "commands/element_words.hpp"

namespace orv::commands {
namespace {

std::vector<int> listed(const Model &m, ElementType type, const std::vector<std::string> &ids) {
  std::vector<int> out;
  out.reserve(ids.size());
  for (const std::string &id : ids) out.push_back(element_by_id(m, type, id));
  return out;
}

bool compare(double v, const std::string &op, double x) {
  if (op == "<") return v < x;
  if (op == "<=") return v <= x;
  if (op == ">") return v > x;
  if (op == ">=") return v >= x;
  if (op == "=" || op == "==") return v == x;
  return v != x;  // <> or !=
}

// Elements whose attribute, at the chosen instant, satisfies "attr op value".
std::vector<int> where(const Session &e, ElementType type, Arguments &a) {
  const std::string text = a.rest_text("criterion");
  static const std::regex criterion(R"(^\s*([A-Za-z]{1,2})\s*(<=|>=|<>|!=|==|=|<|>)\s*(\S+)\s*$)");
  std::smatch m;
  if (!std::regex_match(text, m, criterion))
    a.error("criterion must be '<attribute> <op> <value>', not '" + text + "'");
  const AttributeDef &def = attribute_for(m[1].str(), type);
  auto threshold = parse_number(m[3].str());
  if (!threshold) a.error("criterion value must be a number, not '" + m[3].str() + "'");
  const std::vector<float> values = network_vector(e, def, type);
  std::vector<int> out;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (compare(values[i], m[2].str(), *threshold)) out.push_back(static_cast<int>(i));
  return out;
}

std::vector<int> in_zone(Session &e, ElementType type, const std::string &zone) {
  const Model &m = e.model();
  auto it = e.zones().find(upper(zone));
  if (it == e.zones().end())
    throw Failure(Status::UnknownName, "SELECT: unknown zone '" + zone + "'");
  if (type == ElementType::Node) return it->second;
  if (type == ElementType::Tank) {
    std::vector<int> out;
    for (int node : it->second)
      if (m.nodes[node].tank != kNone) out.push_back(m.nodes[node].tank);
    return out;
  }
  throw Failure(Status::CommandError, "SELECT: a zone holds nodes, not branches");
}

}  // namespace

void cmd_select(Session &e, Arguments &a) {
  const std::string name = upper(a.word("selection name"));
  const ElementType type = element_type_word(a);
  const Model &m = e.model();
  const std::string how = a.upper_word("ALL, LIST, WHERE or ZONE");
  Selection sel{type, {}};
  if (how == "ALL") {
    a.finish();
    const int n = element_count(m, type);
    for (int i = 0; i < n; ++i) sel.members.push_back(i);
  } else if (how == "LIST") {
    sel.members = listed(m, type, a.rest("element identifiers", 1));
  } else if (how == "WHERE") {
    sel.members = where(e, type, a);
  } else if (how == "ZONE") {
    const std::string zone = a.word("zone name");
    a.finish();
    sel.members = in_zone(e, type, zone);
  } else {
    a.error("expected ALL, LIST, WHERE or ZONE, not '" + how + "'");
  }
  e.selections()[name] = std::move(sel);
}

void cmd_zone(Session &e, Arguments &a) {
  const std::string name = upper(a.word("zone name"));
  const Model &m = e.model();
  const std::string how = a.upper_word("LIST or SELECTION");
  std::vector<int> nodes;
  if (how == "LIST") {
    nodes = listed(m, ElementType::Node, a.rest("node identifiers", 1));
  } else if (how == "SELECTION") {
    const std::string sel = upper(a.word("selection name"));
    a.finish();
    auto it = e.selections().find(sel);
    if (it == e.selections().end())
      throw Failure(Status::UnknownName, "ZONE: unknown selection '" + sel + "'");
    if (it->second.type == ElementType::Link)
      throw Failure(Status::CommandError, "ZONE: selection '" + sel + "' holds branches");
    for (int i : it->second.members)
      nodes.push_back(it->second.type == ElementType::Tank ? tank_node(m, i) : i);
  } else {
    a.error("expected LIST or SELECTION, not '" + how + "'");
  }
  e.zones()[name] = std::move(nodes);
}

void cmd_delete(Session &e, Arguments &a) {
  const std::string what = a.upper_word("SELECTION or ZONE");
  const std::string name = upper(a.word("name"));
  a.finish();
  if (what == "SELECTION") {
    if (!e.selections().erase(name))
      throw Failure(Status::UnknownName, "DELETE: unknown selection '" + name + "'");
  } else if (what == "ZONE") {
    if (!e.zones().erase(name))
      throw Failure(Status::UnknownName, "DELETE: unknown zone '" + name + "'");
  } else {
    a.error("expected SELECTION or ZONE, not '" + what + "'");
  }
}

}  // namespace orv::commands
