// The network model held by the engine: every element, table and option read
// from an INP file, in internal SI units (m, m2, m3, m3/s, s). Indices are
// 0-based here; the C layer adds 1. The model remembers the display flow units
// it was read with (and through them the US or SI system) for output.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orv {

inline constexpr int kNone = -1;  // "no pattern / no curve / no element"

enum class NodeKind : std::uint8_t { Junction, Reservoir, Tank };
enum class LinkKind : std::uint8_t { Pipe, CVPipe, Pump, PRV, PSV, PBV, FCV, TCV, GPV };
enum class FlowUnits : std::uint8_t { CFS, GPM, MGD, IMGD, AFD, LPS, LPM, MLD, CMH, CMD, CMS };
enum class HeadlossFormula : std::uint8_t { HazenWilliams, DarcyWeisbach, ChezyManning };
enum class DemandModel : std::uint8_t { DemandDriven, PressureDriven };
// A link status as input states it: initially (STATUS section, link line),
// in control actions and in rule clauses.
enum class LinkStatus : std::uint8_t { Open, Closed, Active };
enum class PumpCurveKind : std::uint8_t { None, ConstantPower, HeadCurve };
enum class CurveKind : std::uint8_t { Generic, Volume, Pump, Efficiency, Headloss };
enum class MixModel : std::uint8_t { Mixed, TwoComp, FIFO, LIFO };
enum class SourceKind : std::uint8_t { Concentration, Mass, Setpoint, FlowPaced };
enum class QualityKind : std::uint8_t { None, Chemical, Age, Trace };

// True for link kinds handled as control valves.
inline bool is_valve(LinkKind k) { return k >= LinkKind::PRV; }

struct Demand {
  double base = 0.0;     // m3/s
  int pattern = kNone;   // index into Model::patterns; kNone = default pattern
  std::string category;  // demand code (the INP ;comment of a DEMANDS line)
};

struct Source {
  SourceKind kind = SourceKind::Concentration;
  double strength = 0.0;  // as given (mass/L or mass/min)
  int pattern = kNone;
};

struct Node {
  std::string id;
  NodeKind kind = NodeKind::Junction;
  double elevation = 0.0;       // m (for a reservoir: its head)
  std::vector<Demand> demands;  // junctions only
  double emitter_coeff = 0.0;   // m3/s per m^emitter_exponent
  double initial_quality = 0.0;
  std::optional<Source> source;
  int tank = kNone;             // index into Model::tanks (tanks and reservoirs)
  bool has_coords = false;
  double x = 0.0, y = 0.0;
  std::string tag;
  std::string comment;
};

// Tanks and reservoirs; a reservoir uses only node, head_pattern and mixing-free data.
struct Tank {
  int node = kNone;
  double initial_level = 0.0, min_level = 0.0, max_level = 0.0;  // m above elevation
  double diameter = 0.0;     // m
  double min_volume = 0.0;   // m3
  int volume_curve = kNone;  // curve of volume (m3) against level (m)
  bool overflow = false;
  int head_pattern = kNone;  // reservoirs: head multiplier pattern
  MixModel mixing = MixModel::Mixed;
  double mix_fraction = 1.0;
  std::optional<double> bulk_coeff;  // tank-specific bulk reaction coefficient
  bool reservoir = false;    // true for a reservoir (fixed head)
};

struct Pump {
  PumpCurveKind curve_kind = PumpCurveKind::None;
  int head_curve = kNone;   // curve of head (m) against flow (m3/s)
  double power = 0.0;       // W, for constant-power pumps
  double speed = 1.0;       // relative speed setting
  int speed_pattern = kNone;
  int efficiency_curve = kNone;
  std::optional<double> energy_price;
  int price_pattern = kNone;
};

struct Link {
  std::string id;
  LinkKind kind = LinkKind::Pipe;
  int from = kNone, to = kNone;   // node indices
  double length = 0.0;            // m (pipes)
  double diameter = 0.0;          // m (pipes, valves)
  double roughness = 0.0;         // HW C, DW mm->m (stored in m), Manning n
  double minor_loss = 0.0;        // dimensionless K
  LinkStatus initial_status = LinkStatus::Open;
  // Valve setting (SI: m for PRV/PSV/PBV pressures, m3/s for FCV, K for TCV)
  // or pump speed; for a GPV, the index of its headloss curve.
  double setting = 0.0;
  bool setting_given = false;     // a STATUS line gave a numeric setting
  std::optional<double> bulk_coeff, wall_coeff;  // REACTIONS per pipe
  // [LEAKAGE] coefficients of a pipe, as given in the file (not simulated).
  double leak_area = 0.0, leak_expansion = 0.0;
  int pump = kNone;               // index into Model::pumps
  std::vector<std::pair<double, double>> vertices;
  std::string tag;
  std::string comment;
};

struct Pattern {
  std::string id;
  std::vector<double> factors;
  std::string comment;
};

struct Curve {
  std::string id;
  CurveKind kind = CurveKind::Generic;
  std::vector<double> x, y;  // SI, according to kind (see docs/inp.md)
  std::string comment;
};

// A simple control: LINK id status/setting AT TIME / AT CLOCKTIME / IF NODE id ABOVE|BELOW value.
struct Control {
  enum class Type : std::uint8_t { LowLevel, HighLevel, Timer, TimeOfDay };
  Type type = Type::Timer;
  int link = kNone;
  std::optional<LinkStatus> status;  // OPEN / CLOSED
  std::optional<double> setting;     // SI (as Link::setting)
  int node = kNone;
  double grade = 0.0;                // SI: tank level (m) for tanks, pressure (m) for junctions
  double time = 0.0;                 // s (Timer: from start; TimeOfDay: seconds in the day)
  bool enabled = true;
};

// Rule-based controls, kept structured for evaluation and rewriting.
struct RulePremise {
  enum class Logic : std::uint8_t { If, And, Or };
  enum class Object : std::uint8_t { Node, Tank, Junction, Reservoir, Link, Pipe, Pump, Valve, System };
  enum class Variable : std::uint8_t {
    Demand, Head, Grade, Level, Pressure, Flow, Status, Setting, Power, Time, ClockTime,
    FillTime, DrainTime };
  enum class Relation : std::uint8_t { Eq, Ne, Le, Ge, Lt, Gt, Is, Not, Below, Above };
  Logic logic = Logic::If;
  Object object = Object::Node;
  int index = kNone;  // node or link index (kNone for SYSTEM)
  Variable variable = Variable::Head;
  Relation relation = Relation::Eq;
  std::optional<LinkStatus> status;  // when compared with OPEN/CLOSED/ACTIVE
  double value = 0.0;                // SI (heads m, flows m3/s, times s)
};

struct RuleAction {
  int link = kNone;
  std::optional<LinkStatus> status;
  std::optional<double> setting;  // SI
};

struct Rule {
  std::string id;
  std::vector<RulePremise> premises;
  std::vector<RuleAction> then_actions, else_actions;
  double priority = 0.0;
  bool enabled = true;  // DISABLED in the file
};

struct Options {
  FlowUnits flow_units = FlowUnits::GPM;
  std::string pressure_units;  // as written in the file, empty if none
  HeadlossFormula headloss = HeadlossFormula::HazenWilliams;
  double specific_gravity = 1.0;
  double viscosity = 1.0;      // relative to water at 20 C
  double diffusivity = 1.0;    // relative
  int trials = 200;
  double accuracy = 0.001;
  double head_error = 0.0;     // m, 0 = not checked
  double flow_change = 0.0;    // m3/s, 0 = not checked
  int unbalanced_continue = -1;  // -1 STOP, else CONTINUE n extra trials
  int check_freq = 2, max_check = 10;
  double damp_limit = 0.0;
  int default_pattern = kNone;
  std::string default_pattern_id = "1";  // kept when no such pattern exists
  double demand_multiplier = 1.0;
  double emitter_exponent = 0.5;
  bool emitter_backflow = true;
  DemandModel demand_model = DemandModel::DemandDriven;
  double minimum_pressure = 0.0;   // m
  double required_pressure = 0.1;  // m
  double pressure_exponent = 0.5;
  QualityKind quality = QualityKind::None;
  std::string quality_name, quality_units, trace_node;
  double quality_tolerance = 0.01;
  // Book water in the transport as the reference engine does (QUALITY
  // CONVENTIONS REFERENCE); a session setting, not saved with the model.
  bool reference_quality_conventions = false;
  std::string map_file;
  std::string hydraulics_mode, hydraulics_file;  // HYDRAULICS USE|SAVE file, kept for writing
  std::vector<std::string> kept_option_lines;   // tuning options kept verbatim (HTOL, QTOL, RQTOL)
};

struct Times {
  double duration = 0, hydraulic_step = 3600, quality_step = 300, pattern_step = 3600,
         pattern_start = 0, report_step = 3600, report_start = 0, rule_step = 360;
  double start_clocktime = 0;  // s after midnight
  std::string statistic = "NONE";
};

struct Reactions {
  double bulk_order = 1, wall_order = 1, tank_order = 1;
  double global_bulk = 0, global_wall = 0;
  double limiting_potential = 0, roughness_correlation = 0;
};

struct Energy {
  double global_efficiency = 75, global_price = 0, demand_charge = 0;
  int global_price_pattern = kNone;
  int global_efficiency_curve = kNone;
};

struct Model {
  std::string title;  // TITLE lines joined by '\n'
  std::vector<Node> nodes;
  std::vector<Tank> tanks;  // tanks and reservoirs, in file order
  std::vector<Link> links;
  std::vector<Pump> pumps;
  std::vector<Pattern> patterns;
  std::vector<Curve> curves;
  std::vector<Control> controls;
  std::vector<Rule> rules;
  Options options;
  Times times;
  Reactions reactions;
  Energy energy;
  std::vector<std::string> report_lines, label_lines, backdrop_lines;  // kept verbatim
  // What the reader tolerated (line number, 0 when not tied to a line; reason).
  std::vector<std::pair<int, std::string>> load_warnings;
  std::unordered_map<std::string, int> node_index, link_index, pattern_index, curve_index;

  int find_node(const std::string &id) const;     // kNone if absent
  int find_link(const std::string &id) const;
  int find_pattern(const std::string &id) const;
  int find_curve(const std::string &id) const;
  // True when the display units are US customary (CFS, GPM, MGD, IMGD, AFD).
  bool us_units() const { return options.flow_units <= FlowUnits::AFD; }
  int junction_count() const;
  // Indices of the junctions no link touches (they have no equation to balance them).
  std::vector<int> unconnected_junctions() const;
  // Multiplier of a pattern at t seconds from the start (repeating from the
  // pattern start); 1 for kNone, an unknown or an empty pattern.
  double pattern_factor(int pattern, double t) const;
};

}  // namespace orv
