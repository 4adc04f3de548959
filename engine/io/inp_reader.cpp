// INP reader. The file is first split into sections; the sections are then
// interpreted in dependency order (options, patterns and curves before the
// elements that refer to them), each line by its section's reader
// (inp_sections.hpp). Elements are numbered in the order of their lines:
// junctions first, then tanks and reservoirs, and links in the order of the
// [PIPES], [PUMPS] and [VALVES] lines, however those sections are arranged
// or repeated.
//
// What is accepted follows the format's reference engine: keywords may be
// abbreviated or extended (a token matches a keyword when it starts with the
// keyword's short form), optional fields take their defaults, and data the
// reference engine skips (a coordinate of an unknown node, a demand on a
// tank, ...) is skipped with a warning kept in Model::load_warnings. An
// element may be referred to only below the line defining it, as the
// reference engine reads a file in one pass.
//
// A bad line does not stop the reading: every bad line is reported, in file
// order. A line that only refers to an element whose own line was bad is not
// reported again, and the checks of the whole network are made only when
// every line was good.
#include "io/inp_reader.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "io/inp_sections.hpp"
#include "model/units.hpp"

namespace orv {

namespace {

using inp::match;
using inp::ReadState;
using inp::SectionLine;
using inp::SectionReader;

// Fields of a line other engines of the format read; the rest they drop.
constexpr std::size_t kMaxFields = 40;

// The lines of each section of the table, in file order.
using SectionLines = std::vector<std::vector<SectionLine>>;

const SectionReader *section_of(const std::string &token) {
  for (const SectionReader &s : inp::section_readers())
    if (match(token, s.header)) return &s;
  return nullptr;
}

std::size_t index_of(const SectionReader *s) { return static_cast<std::size_t>(s - inp::section_readers().data()); }

SectionLines split_sections(ReadState &st, const std::string &text) {
  SectionLines out(inp::section_readers().size());
  const SectionReader *current = nullptr;
  bool unknown = false;  // in a section with an unknown header: its lines are dropped
  bool warned_outside = false;
  std::string pending_comment;
  // A byte-order mark, as some editors write, is not part of the first line.
  std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  int number = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    pos = end + 1;
    st.line = ++number;
    inp::Line line = inp::split_line(raw, number);
    if (!line.tokens.empty() && !line.tokens[0].empty() && line.tokens[0].front() == '[') {
      current = section_of(line.tokens[0]);
      unknown = current == nullptr;
      if (unknown) st.report("unknown section " + line.tokens[0]);
      else if (current->body == inp::Body::End) break;
      else if (current->body == inp::Body::Skipped)
        st.warn("section " + std::string(current->header) + " is not used: its lines are skipped");
      pending_comment.clear();
      continue;
    }
    if (current && current->body == inp::Body::Title) {
      std::string &title = st.m.title;
      if (!title.empty() || !raw.empty()) {
        if (!title.empty()) title += '\n';
        title += raw;
      }
      continue;
    }
    if (line.tokens.empty()) {
      pending_comment = line.comment;
      continue;
    }
    if (unknown) continue;
    if (!current) {
      if (!warned_outside) st.warn("data outside of any section is skipped");
      warned_outside = true;
      continue;
    }
    if (current->body == inp::Body::Skipped) continue;
    if (line.tokens.size() > kMaxFields)
      st.warn("more than " + std::to_string(kMaxFields) + " fields on a line: other programs read only the first " +
              std::to_string(kMaxFields));
    out[index_of(current)].push_back({std::move(line), raw, pending_comment});
    pending_comment.clear();
  }
  // Trailing blank title lines carry no information.
  std::string &title = st.m.title;
  while (!title.empty() && (title.back() == '\n' || title.back() == ' ')) title.pop_back();
  return out;
}

// Marks the element a bad line would have defined, so that lines referring
// to it are not reported as well.
void forget_definition(ReadState &st, const SectionReader &s, const SectionLine &sl) {
  const std::string &id = sl.line.tokens[0];
  switch (s.defines) {
    case inp::Defines::Node: if (st.m.find_node(id) == kNone) st.bad_nodes.insert(id); break;
    case inp::Defines::Link: if (st.m.find_link(id) == kNone) st.bad_links.insert(id); break;
    case inp::Defines::Pattern: if (st.m.find_pattern(id) == kNone) st.bad_patterns.insert(id); break;
    case inp::Defines::Curve: if (st.m.find_curve(id) == kNone) st.bad_curves.insert(id); break;
    case inp::Defines::Nothing: break;
  }
}

// The lines of one stage, merged in file order, each to its section's reader.
void read_stage(ReadState &st, inp::Stage stage, const SectionLines &lines) {
  const auto sections = inp::section_readers();
  std::vector<std::pair<const SectionReader *, const SectionLine *>> order;
  for (const SectionReader &s : sections)
    if (s.stage == stage && s.read)
      for (const SectionLine &sl : lines[index_of(&s)]) order.emplace_back(&s, &sl);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto &a, const auto &b) { return a.second->line.number < b.second->line.number; });
  for (const auto &entry : order) {
    const SectionReader *section = entry.first;
    const SectionLine *sl = entry.second;
    st.line = sl->line.number;
    if (!st.attempt([&] { section->read(st, *sl); })) forget_definition(st, *section, *sl);
  }
  st.line = 0;
  for (const SectionReader &s : sections)
    if (s.stage == stage && s.after) st.attempt([&] { s.after(st); });
}

// What is settled once every line is read: defaults, unit conversions that
// wait for the units, the curves, and the checks of the whole network.
void finish(ReadState &st) {
  st.line = 0;
  Model &m = st.m;
  Options &o = m.options;
  o.default_pattern_id = st.settings.default_pattern_id;
  o.default_pattern = m.find_pattern(o.default_pattern_id);
  if (st.settings.default_pattern_line > 0 && o.default_pattern == kNone) {
    st.line = st.settings.default_pattern_line;
    st.warn("unknown default pattern " + o.default_pattern_id + ": demands without pattern are constant");
    st.line = 0;
  }
  const double emit = 1.0 / units::emitter(m);
  for (Node &n : m.nodes) n.emitter_coeff *= emit;
  if (o.quality == QualityKind::Trace) {
    st.line = st.settings.trace_line;
    st.attempt([&] {
      const int i = m.find_node(o.trace_node);
      if (i == kNone) {
        if (st.bad_nodes.count(o.trace_node)) throw inp::Consequence{};
        st.fail("unknown trace node " + o.trace_node);
      }
      if (st.node_line[i] > st.settings.trace_line) st.fail("trace node " + o.trace_node + " is used before its definition");
    });
    st.line = 0;
  }
  inp::settle_curves(st);
  st.line = 0;
  if (!st.problems.empty()) return;
  st.attempt([&] {
    if (m.nodes.size() < 2) st.fail("the network needs at least two nodes");
    if (m.tanks.empty()) st.fail("the network has no tank or reservoir");
  });
  for (const int i : m.unconnected_junctions()) st.warn("junction " + m.nodes[i].id + " is not connected to any link");
  if (st.dropped_warnings > 0) st.warn(std::to_string(st.dropped_warnings) + " more warnings not kept");
}

}  // namespace

Model read_inp_text(const std::string &text, const std::string &name) {
  ReadState st(name);
  const SectionLines lines = split_sections(st, text);
  for (int stage = 0; stage < static_cast<int>(inp::Stage::Count); ++stage)
    read_stage(st, static_cast<inp::Stage>(stage), lines);
  for (const SectionReader &s : inp::section_readers())
    if (s.kept)
      for (const SectionLine &sl : lines[index_of(&s)]) (st.m.*s.kept).push_back(sl.raw);
  finish(st);
  if (!st.problems.empty()) {
    std::stable_sort(st.problems.begin(), st.problems.end(),
                     [](const InputProblem &a, const InputProblem &b) { return a.line < b.line; });
    throw InputError(name, std::move(st.problems));
  }
  return std::move(st.m);
}

Model read_inp(const std::string &path) {
  std::string text;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, 0, "cannot open file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw InputError(path, 0, "cannot read file");
    text = buf.str();
  }  // file closed here, before parsing
  return read_inp_text(text, path);
}

}  // namespace orv
