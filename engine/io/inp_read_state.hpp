// What the readers of the INP sections share while one file is read: the
// model being built, where each element was defined, the field helpers and
// the problems found so far.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "io/input_error.hpp"
#include "io/inp_text.hpp"
#include "io/option_table.hpp"
#include "model/model.hpp"

namespace orv::inp {

// A line of a section as the splitter keeps it.
struct SectionLine {
  Line line;
  std::string raw;           // original text (sections kept verbatim)
  std::string line_comment;  // comment line just before a PATTERNS or CURVES entry
};

// Raw curve points in file units until their use fixes the unit system.
struct RawCurve {
  std::vector<double> x, y;
  CurveKind declared = CurveKind::Generic;  // type word after a point
  std::vector<CurveKind> uses;
  int line = 0;
};

// Thrown for a bad line: the reason, reported with the line's number.
struct LineFault {
  std::string reason;
};
// Thrown for a line that refers to an element whose own line was bad: the
// line is dropped without a report of its own, which would only repeat that one.
struct Consequence {};

// The reference engine's ranges "first last" of identifiers: numeric when
// both bounds are, otherwise by comparing the identifiers as text.
bool in_range(const std::string &id, const std::string &first, const std::string &last);

class ReadState {
 public:
  explicit ReadState(std::string file) : file(std::move(file)) {}

  const std::string file;
  Model m;
  int line = 0;  // line being interpreted, for problems and warnings
  std::vector<InputProblem> problems;

  std::vector<RawCurve> raw_curves;          // one per curve of the model
  std::vector<bool> demands_from_section;    // one per node: [DEMANDS] replaced its demand
  std::vector<int> node_line, link_line;     // defining line of each node and link
  // Identifiers whose defining line was bad.
  std::set<std::string> bad_nodes, bad_links, bad_patterns, bad_curves;

  // [OPTIONS] and [TIMES] values settled only once their section is read.
  struct {
    std::string default_pattern_id = "1";
    int default_pattern_line = 0;  // 0 when not given
    int trace_line = 0;
    std::vector<bool> times_given = std::vector<bool>(time_options().size());  // one per time setting
    bool leakage_warned = false;
  } settings;
  // Where the clauses of the last rule have come to.
  enum class RulePart { None, Premises, Then, Else, Priority };
  struct {
    RulePart part = RulePart::None;
    bool skipping = false;  // after a bad RULE line, up to the next one
  } rule;

  [[noreturn]] void fail(const std::string &reason) const { throw LineFault{reason}; }
  void warn(const std::string &reason);
  // Records a problem of the current line (the first one only).
  void report(const std::string &reason);
  // Runs `step` for the current line; a fault becomes a problem of that
  // line. False when the step did not complete.
  template <class Step>
  bool attempt(Step step) {
    try {
      step();
      return true;
    } catch (const LineFault &f) {
      report(f.reason);
    } catch (const Consequence &) {
    }
    return false;
  }
  // Warnings beyond those kept, counted.
  std::size_t dropped_warnings = 0;

  // ---- fields ----
  double number(const Line &l, std::size_t i, const char *what) const;
  double non_negative(const Line &l, std::size_t i, const char *what) const;
  double positive(const Line &l, std::size_t i, const char *what) const;
  double positive_dimension(const Line &l, std::size_t i, const char *what, const char *zero_reason) const;
  void need(const Line &l, std::size_t n, const char *what) const;
  void check_id(const std::string &id) const;

  // ---- references: an element defined above the current line ----
  int node_ref(const std::string &id) const;
  int link_ref(const std::string &id) const;
  int pattern_ref(const std::string &id) const;
  int curve_ref(const std::string &id) const;
  // Optional references: kNone (with a warning) when the reference engine skips the line.
  int node_or_skip(const std::string &id, const char *what);
  int link_or_skip(const std::string &id, const char *what);
  void use_curve(int c, CurveKind kind) { raw_curves[c].uses.push_back(kind); }
  // The node (or link) of a [COORDINATES] (or [VERTICES]) line and its
  // point, or nothing, with a warning, when the reference engine skips the line.
  struct MapPoint {
    int element;
    double x, y;
  };
  std::optional<MapPoint> map_point(const Line &l, const char *what, bool node);

  // ---- unit factors (display -> SI) ----
  bool us() const { return m.us_units(); }
  double flow_si() const;
  double len_si() const;
  double diam_si() const;
  double pres_si() const;
  double vol_si() const;
  double power_si() const;
  // A valve setting given in display units.
  double valve_setting_si(LinkKind k, double v) const;

 private:
  std::set<int> reported_lines_;
};

}  // namespace orv::inp
