#include "io/inp_read_state.hpp"

#include <cstdlib>
#include <cstring>

#include "model/units.hpp"

namespace orv::inp {

namespace {
// Longest identifier other engines of the format accept.
constexpr std::size_t kMaxIdLength = 31;
constexpr std::size_t kMaxWarnings = 1000;
}  // namespace

bool in_range(const std::string &id, const std::string &first, const std::string &last) {
  // strtol on the leading digits, 0 when none.
  auto leading_number = [](const std::string &t) { return std::strtol(t.c_str(), nullptr, 10); };
  const long a = leading_number(first), b = leading_number(last);
  if (a > 0 && b > 0) {
    const long i = leading_number(id);
    return i >= a && i <= b;
  }
  return std::strcmp(first.c_str(), id.c_str()) <= 0 && std::strcmp(last.c_str(), id.c_str()) >= 0;
}

void ReadState::warn(const std::string &reason) {
  if (m.load_warnings.size() < kMaxWarnings) m.load_warnings.emplace_back(line, reason);
  else ++dropped_warnings;
}

void ReadState::report(const std::string &reason) {
  if (line == 0 || reported_lines_.insert(line).second) problems.push_back({line, reason});
}

double ReadState::number(const Line &l, std::size_t i, const char *what) const {
  if (i >= l.tokens.size()) fail(std::string("missing ") + what);
  auto v = parse_number(l.tokens[i]);
  if (!v) fail(std::string("invalid number for ") + what + ": " + l.tokens[i]);
  return *v;
}

double ReadState::non_negative(const Line &l, std::size_t i, const char *what) const {
  double v = number(l, i, what);
  if (v < 0) fail(std::string("negative ") + what + ": " + l.tokens[i]);
  return v;
}

double ReadState::positive(const Line &l, std::size_t i, const char *what) const {
  double v = non_negative(l, i, what);
  if (v <= 0) fail(std::string(what) + " must be positive");
  return v;
}

double ReadState::positive_dimension(const Line &l, std::size_t i, const char *what, const char *zero_reason) const {
  double v = non_negative(l, i, what);
  if (v <= 0) fail(zero_reason);
  return v;
}

void ReadState::need(const Line &l, std::size_t n, const char *what) const {
  if (l.tokens.size() < n) fail(std::string("too few fields for ") + what);
}

void ReadState::check_id(const std::string &id) const {
  // The format's identifiers hold at most 31 characters; longer ones are
  // refused, as the reference engine refuses them.
  if (id.size() > kMaxIdLength)
    fail("identifier " + id + " is longer than " + std::to_string(kMaxIdLength) + " characters");
}

namespace {
// An identifier not found: a consequence of its bad defining line, or a fault of this one.
[[noreturn]] void unknown(const ReadState &s, const std::set<std::string> &bad, const char *what, const std::string &id) {
  if (bad.count(id)) throw Consequence{};
  s.fail(std::string("unknown ") + what + " " + id);
}
}  // namespace

int ReadState::node_ref(const std::string &id) const {
  int i = m.find_node(id);
  if (i == kNone) unknown(*this, bad_nodes, "node", id);
  if (node_line[i] > line) fail("node " + id + " is used before its definition (line " + std::to_string(node_line[i]) + ")");
  return i;
}

int ReadState::link_ref(const std::string &id) const {
  int i = m.find_link(id);
  if (i == kNone) unknown(*this, bad_links, "link", id);
  if (link_line[i] > line) fail("link " + id + " is used before its definition (line " + std::to_string(link_line[i]) + ")");
  return i;
}

int ReadState::pattern_ref(const std::string &id) const {
  int i = m.find_pattern(id);
  if (i == kNone) unknown(*this, bad_patterns, "pattern", id);
  return i;
}

int ReadState::curve_ref(const std::string &id) const {
  int i = m.find_curve(id);
  if (i == kNone) unknown(*this, bad_curves, "curve", id);
  return i;
}

int ReadState::node_or_skip(const std::string &id, const char *what) {
  int i = m.find_node(id);
  if (i == kNone) warn(std::string(what) + " of unknown node " + id + " skipped");
  return i;
}

int ReadState::link_or_skip(const std::string &id, const char *what) {
  int i = m.find_link(id);
  if (i == kNone) warn(std::string(what) + " of unknown link " + id + " skipped");
  return i;
}

std::optional<ReadState::MapPoint> ReadState::map_point(const Line &l, const char *what, bool node) {
  if (l.tokens.size() < 3) {
    warn(std::string(what) + " without x and y skipped");
    return std::nullopt;
  }
  const int i = node ? node_or_skip(l.tokens[0], what) : link_or_skip(l.tokens[0], what);
  if (i == kNone) return std::nullopt;
  auto x = parse_number(l.tokens[1]), y = parse_number(l.tokens[2]);
  if (!x || !y) {
    warn(std::string("invalid ") + what + " of " + l.tokens[0] + " skipped");
    return std::nullopt;
  }
  return MapPoint{i, *x, *y};
}

double ReadState::flow_si() const { return 1.0 / units::flow(m.options.flow_units); }
double ReadState::len_si() const { return us() ? units::kFoot : 1.0; }
double ReadState::diam_si() const { return us() ? units::kFoot / 12.0 : 0.001; }
double ReadState::pres_si() const { return 1.0 / units::pressure(m); }
double ReadState::vol_si() const { return us() ? units::kCubicFoot : 1.0; }
double ReadState::power_si() const { return units::power_to_si(us()); }

double ReadState::valve_setting_si(LinkKind k, double v) const {
  switch (k) {
    case LinkKind::PRV: case LinkKind::PSV: case LinkKind::PBV: return v * pres_si();
    case LinkKind::FCV: return v * flow_si();
    default: return v;
  }
}

}  // namespace orv::inp
