#include "analysis/category_tables.hpp"

#include <array>
#include <cstdio>
#include <functional>
#include <map>

#include "analysis/demand_codes.hpp"
#include "attributes/display_units.hpp"

namespace orv::analysis {
namespace {

using Counts = std::map<std::string, int>;
using Numbers = std::map<double, int>;

std::vector<NamedCount> named(const Counts &c) {
  std::vector<NamedCount> out;
  for (const auto &[name, n] : c) out.push_back({name, 0.0, n});
  return out;
}

std::string number_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  return buf;
}

// Numbers grouped by their text, in increasing value.
std::vector<NamedCount> numbered(const Numbers &values) {
  std::vector<NamedCount> out;
  for (const auto &[v, n] : values) {
    const std::string text = number_text(v);
    if (!out.empty() && out.back().name == text) out.back().count += n;
    else out.push_back({text, v, n});
  }
  return out;
}

bool is_pipe(const Link &l) { return l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe; }

const char *kind_name(LinkKind k) {
  static const std::array<const char *, 9> names = {"PIPE", "CVPIPE", "PUMP", "PRV", "PSV",
                                                    "PBV",  "FCV",    "TCV",  "GPV"};
  return names[static_cast<int>(k)];
}

const char *kind_name(NodeKind k) {
  static const std::array<const char *, 3> names = {"JUNCTION", "RESERVOIR", "TANK"};
  return names[static_cast<int>(k)];
}

using Builder = std::function<std::vector<NamedCount>(const Session &, const AnalysisState &, ElementType)>;

struct TableDef {
  std::string_view name;
  std::vector<int> types;  // type codes accepted (the first is the default); 0 allowed when listed
  Builder build;
};

std::vector<NamedCount> codes(const Session &e, const AnalysisState &, ElementType) {
  std::vector<NamedCount> out;
  for (const CodeSummary &c : code_summaries(e.model(), false)) out.push_back({c.code, c.demand, c.nodes});
  return out;
}

std::vector<NamedCount> zones(const Session &e, const AnalysisState &, ElementType) {
  e.model();
  std::vector<NamedCount> out;
  for (const auto &[name, nodes] : e.zones()) out.push_back({name, 0.0, static_cast<int>(nodes.size())});
  return out;
}

std::vector<NamedCount> tags(const Session &e, const AnalysisState &, ElementType t) {
  const Model &m = e.model();
  Counts c;
  if (t == ElementType::Link) {
    for (const Link &l : m.links)
      if (!l.tag.empty()) ++c[l.tag];
  } else {
    for (const Node &n : m.nodes)
      if (!n.tag.empty()) ++c[n.tag];
  }
  return named(c);
}

std::vector<NamedCount> roughness(const Session &e, const AnalysisState &, ElementType) {
  const Model &m = e.model();
  const double f = display_unit(m, Quantity::Roughness).factor;
  Numbers v;
  for (const Link &l : m.links)
    if (is_pipe(l)) ++v[l.roughness * f];
  return numbered(v);
}

std::vector<NamedCount> diameters(const Session &e, const AnalysisState &, ElementType) {
  const Model &m = e.model();
  const double f = display_unit(m, Quantity::Diameter).factor;
  Numbers v;
  for (const Link &l : m.links)
    if (l.kind != LinkKind::Pump) ++v[l.diameter * f];
  return numbered(v);
}

std::vector<NamedCount> kinds(const Session &e, const AnalysisState &, ElementType t) {
  const Model &m = e.model();
  Counts c;
  if (t == ElementType::Link)
    for (const Link &l : m.links) ++c[kind_name(l.kind)];
  else if (t == ElementType::Node)
    for (const Node &n : m.nodes) ++c[kind_name(n.kind)];
  else
    for (const Tank &k : m.tanks) ++c[k.reservoir ? "RESERVOIR" : "TANK"];
  return named(c);
}

std::vector<NamedCount> selections(const Session &e, const AnalysisState &, ElementType t) {
  e.model();
  std::vector<NamedCount> out;
  for (const auto &[name, sel] : e.selections())
    if (static_cast<int>(t) == 0 || sel.type == t)
      out.push_back({name, 0.0, static_cast<int>(sel.members.size())});
  return out;
}

std::vector<NamedCount> shl_entries(const Session &e, const AnalysisState &s, ElementType) {
  e.model();
  Counts c;
  for (const ShlEntry &entry : s.shl.entries()) c[entry.id] = s.model.attachments.count_of(entry.id);
  return named(c);
}

const std::vector<TableDef> &tables() {
  static const std::vector<TableDef> defs = {
      {"CODE", {2}, codes},          {"ZONE", {2}, zones},           {"MATERIAL", {1}, tags},
      {"TAG", {1, 2}, tags},         {"ROUGHNESS", {1}, roughness},  {"DIAMETER", {1}, diameters},
      {"KIND", {1, 2, 3}, kinds},    {"SELECTION", {0, 1, 2, 3}, selections},
      {"SHL", {1}, shl_entries},
  };
  return defs;
}

}  // namespace

std::vector<NamedCount> category_table(const Session &e, const AnalysisState &s, std::string_view table,
                                       int type_code) {
  const std::string key = upper(table);
  for (const TableDef &def : tables()) {
    if (def.name != key) continue;
    int type = type_code;
    if (type == 0 && def.types.front() != 0) type = def.types.front();
    if (std::find(def.types.begin(), def.types.end(), type) == def.types.end())
      throw Failure(Status::BadArgument, "table " + key + " has no entries for element type " +
                                             std::to_string(type_code));
    return def.build(e, s, static_cast<ElementType>(type));
  }
  throw Failure(Status::UnknownName, "unknown table '" + std::string(table) + "'");
}

}  // namespace orv::analysis
