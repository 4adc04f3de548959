// [PATTERNS] and [CURVES]; curves take their units once their uses are known.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "io/inp_sections.hpp"

namespace orv::inp {

void read_pattern(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Model &m = s.m;
  if (l.tokens.size() < 2) s.fail("pattern " + l.tokens[0] + " without factors");
  int p = m.find_pattern(l.tokens[0]);
  if (p == kNone) {
    s.check_id(l.tokens[0]);
    p = static_cast<int>(m.patterns.size());
    m.patterns.push_back({l.tokens[0], {}, sl.line_comment});
    m.pattern_index.emplace(l.tokens[0], p);
  } else if (m.patterns[p].comment.empty()) {
    m.patterns[p].comment = sl.line_comment;
  }
  for (std::size_t i = 1; i < l.tokens.size(); ++i) m.patterns[p].factors.push_back(s.number(l, i, "pattern factor"));
}

void read_curve(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Model &m = s.m;
  s.need(l, 3, "curve point");
  const double x = s.number(l, 1, "curve x value"), y = s.number(l, 2, "curve y value");
  int c = m.find_curve(l.tokens[0]);
  if (c == kNone) {
    s.check_id(l.tokens[0]);
    c = static_cast<int>(m.curves.size());
    Curve curve;
    curve.id = l.tokens[0];
    curve.comment = sl.line_comment;
    RawCurve raw;
    raw.line = l.number;
    m.curves.push_back(std::move(curve));
    s.raw_curves.push_back(std::move(raw));
    m.curve_index.emplace(l.tokens[0], c);
  } else if (m.curves[c].comment.empty()) {
    m.curves[c].comment = sl.line_comment;
  }
  RawCurve &raw = s.raw_curves[c];
  if (l.tokens.size() > 3) {
    // A type word after the point (the reference engine writes one).
    static const std::pair<const char *, CurveKind> kinds[] = {
        {"VOLUME", CurveKind::Volume}, {"PUMP", CurveKind::Pump}, {"EFFIC", CurveKind::Efficiency},
        {"HEADLOSS", CurveKind::Headloss}, {"GENERIC", CurveKind::Generic}, {"VALVE", CurveKind::Generic}};
    for (auto &[name, kind] : kinds)
      if (match(l.tokens[3], name)) {
        raw.declared = kind;
        break;
      }
  }
  if (!raw.x.empty() && x <= raw.x.back()) s.fail("curve " + l.tokens[0] + ": x values must increase");
  raw.x.push_back(x);
  raw.y.push_back(y);
}

namespace {

// Units of a curve's values for a kind of use.
std::pair<double, double> curve_factors(const ReadState &s, CurveKind kind) {
  switch (kind) {
    case CurveKind::Pump: case CurveKind::Headloss: return {s.flow_si(), s.len_si()};
    case CurveKind::Efficiency: return {s.flow_si(), 1.0};
    case CurveKind::Volume: return {s.len_si(), s.vol_si()};
    case CurveKind::Generic: break;
  }
  return {1.0, 1.0};
}

// A comment "PUMP: text" before a pump curve is the writer's label of its
// kind: the comment is the text after it. Labels of another kind stay.
void strip_kind_label(Curve &curve) {
  static const std::pair<const char *, CurveKind> labels[] = {
      {"PUMP:", CurveKind::Pump}, {"EFFICIENCY:", CurveKind::Efficiency}, {"VOLUME:", CurveKind::Volume},
      {"HEADLOSS:", CurveKind::Headloss}};
  for (auto &[label, kind] : labels)
    if (kind == curve.kind && match(curve.comment, label)) {
      curve.comment.erase(0, std::strlen(label));
      while (!curve.comment.empty() && curve.comment.front() == ' ') curve.comment.erase(0, 1);
    }
}

// The checks the reference engine makes of a pump's head curve.
void check_pump_curve(const ReadState &s, const Curve &c, const RawCurve &raw) {
  const auto &x = raw.x, &y = raw.y;
  double h0, h1, h2, q1, q2;
  if (x.size() == 1) {
    q1 = x[0];
    h1 = y[0];
    h0 = 1.33334 * h1;
    q2 = 2.0 * q1;
    h2 = 0.0;
  } else if (x.size() == 3 && x[0] == 0.0) {
    h0 = y[0];
    q1 = x[1];
    h1 = y[1];
    q2 = x[2];
    h2 = y[2];
  } else {
    for (std::size_t i = 1; i < y.size(); ++i)
      if (y[i] >= y[i - 1]) s.fail("pump curve " + c.id + ": head must decrease with flow");
    return;
  }
  constexpr double kTiny = 1e-6;
  if (h0 < kTiny || h0 - h1 < kTiny || h1 - h2 < kTiny || q1 < kTiny || q2 - q1 < kTiny)
    s.fail(x.size() == 1 ? "pump curve " + c.id + ": invalid design point" : "pump curve " + c.id + ": head must decrease with flow");
  const double exponent = std::log((h0 - h2) / (h0 - h1)) / std::log(q2 / q1);
  if (exponent <= 0.0 || exponent > 20.0) s.fail("pump curve " + c.id + ": its three points make no usable curve");
}

void settle_curve(ReadState &s, Curve &curve, const RawCurve &raw) {
  CurveKind kind = raw.uses.empty() ? raw.declared : raw.uses.front();
  for (CurveKind use : raw.uses)
    if (curve_factors(s, use) != curve_factors(s, kind))
      s.fail("curve " + curve.id + " is used as two kinds of curve with different units");
  // A pump curve also used as a valve's head-loss curve stays a pump curve.
  for (CurveKind use : raw.uses)
    if (use == CurveKind::Pump) kind = CurveKind::Pump;
  curve.kind = kind;
  const auto [fx, fy] = curve_factors(s, kind);
  curve.x.resize(raw.x.size());
  curve.y.resize(raw.y.size());
  for (std::size_t i = 0; i < raw.x.size(); ++i) {
    curve.x[i] = raw.x[i] * fx;
    curve.y[i] = raw.y[i] * fy;
  }
  if (std::find(raw.uses.begin(), raw.uses.end(), CurveKind::Pump) != raw.uses.end()) check_pump_curve(s, curve, raw);
  if (kind == CurveKind::Volume && !raw.uses.empty()) {
    if (curve.x.size() < 2) s.fail("volume curve " + curve.id + " needs two points");
    for (std::size_t i = 1; i < curve.y.size(); ++i)
      if (curve.y[i] < curve.y[i - 1]) s.fail("volume curve " + curve.id + ": volume must not decrease");
  }
  strip_kind_label(curve);
}

}  // namespace

void settle_curves(ReadState &s) {
  // Curves take the units of their use, or of their declared type when unused.
  for (std::size_t c = 0; c < s.m.curves.size(); ++c) {
    s.line = s.raw_curves[c].line;
    s.attempt([&] { settle_curve(s, s.m.curves[c], s.raw_curves[c]); });
  }
}

}  // namespace orv::inp
