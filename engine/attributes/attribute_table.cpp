#include "attributes/attribute_table.hpp"

#include <array>

#include "model/status.hpp"
#include "model/text.hpp"

namespace orv {
namespace {

using R = const Results *;

double base_demand(const Model &m, const Results *, std::size_t, int i) {
  double sum = 0.0;
  for (const Demand &d : m.nodes[i].demands) sum += d.base;
  return sum;
}

// Sets the total base demand of a node, keeping the shares of its categories.
void set_base_demand(Model &m, int i, double v) {
  auto &demands = m.nodes[i].demands;
  const double total = base_demand(m, nullptr, 0, i);
  if (demands.empty()) {
    demands.push_back(Demand{v, kNone, ""});
  } else if (total != 0.0) {
    for (Demand &d : demands) d.base *= v / total;
  } else {
    for (Demand &d : demands) d.base = 0.0;
    demands.front().base = v;
  }
}

// Head difference from the start node to the end node of a link.
double head_drop(const Model &m, R r, std::size_t step, int i) {
  const Link &l = m.links[i];
  return r->value(NodeAttr::Head, step, l.from) - r->value(NodeAttr::Head, step, l.to);
}

// Head drop per 1000 length units along a pipe; the plain drop for devices.
double unit_head_drop(const Model &m, R r, std::size_t step, int i) {
  const Link &l = m.links[i];
  const double drop = head_drop(m, r, step, i);
  if (l.kind != LinkKind::Pipe && l.kind != LinkKind::CVPipe) return drop;
  return l.length > 0.0 ? drop / l.length * 1000.0 : 0.0;
}

Tank &tank(Model &m, int i) { return m.tanks[i]; }

const auto table = std::to_array<AttributeDef>({
    // Nodes (junctions, tanks and reservoirs).
    {"Z", "elevation", Target::Node, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.nodes[i].elevation; }, false,
     [](Model &m, int i, double v) { m.nodes[i].elevation = v; }},
    {"BD", "base demand (all categories)", Target::Node, Quantity::Flow, {}, {}, {},
     base_demand, false, set_base_demand},
    {"EC", "emitter coefficient", Target::Node, Quantity::Emitter, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.nodes[i].emitter_coeff; }, false,
     [](Model &m, int i, double v) { m.nodes[i].emitter_coeff = v; }, Bound::NonNegative},
    {"X", "x coordinate", Target::Node, Quantity::Coordinate, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.nodes[i].x; }, false, nullptr},
    {"Y", "y coordinate", Target::Node, Quantity::Coordinate, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.nodes[i].y; }, false, nullptr},
    {"H", "hydraulic head", Target::Node, Quantity::Length, NodeAttr::Head, {}, {}, nullptr, true,
     nullptr},
    {"P", "pressure", Target::Node, Quantity::Pressure, NodeAttr::Pressure, {}, {}, nullptr, true,
     nullptr},
    {"D", "actual demand", Target::Node, Quantity::Flow, NodeAttr::Demand, {}, {}, nullptr, true,
     nullptr},
    {"C", "water quality", Target::Node, Quantity::Quality, NodeAttr::Quality, {}, {}, nullptr, true,
     nullptr},
    // Links (pipes, pumps, valves).
    {"L", "length", Target::Link, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.links[i].length; }, false,
     [](Model &m, int i, double v) { m.links[i].length = v; }, Bound::Positive},
    {"DI", "diameter", Target::Link, Quantity::Diameter, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.links[i].diameter; }, false,
     [](Model &m, int i, double v) { m.links[i].diameter = v; }, Bound::Positive},
    {"R", "roughness", Target::Link, Quantity::Roughness, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.links[i].roughness; }, false,
     [](Model &m, int i, double v) { m.links[i].roughness = v; }, Bound::Positive},
    {"K", "minor loss coefficient", Target::Link, Quantity::None, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.links[i].minor_loss; }, false,
     [](Model &m, int i, double v) { m.links[i].minor_loss = v; }, Bound::NonNegative},
    {"Q", "flow", Target::Link, Quantity::Flow, {}, LinkAttr::Flow, {}, nullptr, true, nullptr},
    {"V", "velocity", Target::Link, Quantity::Velocity, {}, LinkAttr::Velocity, {}, nullptr, true,
     nullptr},
    {"DH", "head drop from start to end node", Target::Link, Quantity::Length, {}, {}, {},
     head_drop, true, nullptr},
    {"HL", "head drop per 1000 length units (pipes)", Target::Link, Quantity::UnitHeadloss, {}, {},
     {}, unit_head_drop, true, nullptr},
    {"S", "status (0 closed, 1 open, 2 active)", Target::Link, Quantity::None, {},
     LinkAttr::Status, {}, nullptr, true, nullptr},
    {"ST", "setting (pump speed, valve setting)", Target::Link, Quantity::Setting, {},
     LinkAttr::Setting, {}, nullptr, true, nullptr},
    {"SI", "initial setting", Target::Link, Quantity::Setting, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.links[i].setting; }, false,
     [](Model &m, int i, double v) {
       // A GPV's setting is the index of its head-loss curve, not a number.
       if (m.links[i].kind == LinkKind::GPV)
         throw Failure(Status::BadArgument, "the setting of a GPV is its curve");
       m.links[i].setting = v;
       m.links[i].setting_given = true;
     }, Bound::NonNegative},
    // Tanks and reservoirs.
    {"LV", "water level above the bottom", Target::Tank, Quantity::Length, {}, {},
     TankAttr::Level, nullptr, true, nullptr},
    {"VO", "water volume", Target::Tank, Quantity::Volume, {}, {}, TankAttr::Volume, nullptr, true,
     nullptr},
    {"LI", "initial level", Target::Tank, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.tanks[i].initial_level; }, false,
     [](Model &m, int i, double v) { tank(m, i).initial_level = v; }, Bound::NonNegative},
    {"LN", "minimum level", Target::Tank, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.tanks[i].min_level; }, false,
     [](Model &m, int i, double v) { tank(m, i).min_level = v; }, Bound::NonNegative},
    {"LX", "maximum level", Target::Tank, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.tanks[i].max_level; }, false,
     [](Model &m, int i, double v) { tank(m, i).max_level = v; }, Bound::NonNegative},
    {"TD", "tank diameter", Target::Tank, Quantity::Length, {}, {}, {},
     [](const Model &m, R, std::size_t, int i) { return m.tanks[i].diameter; }, false,
     [](Model &m, int i, double v) { tank(m, i).diameter = v; }, Bound::Positive},
    // Appended rows keep the indices above unchanged.
    {"CB", "water quality in the branch (mean)", Target::Link, Quantity::Quality, {},
     LinkAttr::Quality, {}, nullptr, true, nullptr},
});

}  // namespace

std::span<const AttributeDef> attribute_table() { return table; }

const AttributeDef *find_attribute(std::string_view symbol) {
  const std::string key = upper(symbol);
  for (const AttributeDef &def : table)
    if (def.symbol == key) return &def;
  return nullptr;
}

const AttributeDef *attribute_at(int index) {
  if (index < 1 || index > static_cast<int>(table.size())) return nullptr;
  return &table[static_cast<std::size_t>(index - 1)];
}

int attribute_index(const AttributeDef &def) { return static_cast<int>(&def - table.data()) + 1; }

bool applies_to(const AttributeDef &def, ElementType type) {
  switch (def.target) {
    case Target::Node: return type == ElementType::Node || type == ElementType::Tank;
    case Target::Link: return type == ElementType::Link;
    case Target::Tank: return type == ElementType::Tank;
  }
  return false;
}

}  // namespace orv
