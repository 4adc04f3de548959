#include "quality/data_sets.hpp"

#include <exception>

#include "quality/quality.hpp"
#include "quality/transport.hpp"

namespace orv::wq {

int max_data_set_values(const Results &r) { return static_cast<int>(r.step_count()); }

std::vector<int> traced_origins(const Model &m) {
  std::vector<int> out;
  for (std::size_t n = 0; n < m.nodes.size(); ++n)
    if (m.nodes[n].kind == NodeKind::Reservoir) out.push_back(static_cast<int>(n));
  if (out.size() < 2) out.clear();
  return out;
}

namespace {

std::string quality_code(const Model &m) {
  switch (m.options.quality) {
    case QualityKind::Age: return "AGE";
    case QualityKind::Trace: return "TRACE";
    case QualityKind::Chemical: return m.options.quality_name.empty() ? "CHEMICAL" : m.options.quality_name;
    case QualityKind::None: break;
  }
  return "";
}

std::vector<float> hours(const Results &r) {
  std::vector<float> t;
  t.reserve(r.step_count());
  for (double s : r.times()) t.push_back(static_cast<float>(s / 3600.0));
  return t;
}

}  // namespace

std::vector<DataSet> node_data_sets(const Model &m, const Results &r, int node) {
  std::vector<DataSet> sets;
  if (m.options.quality == QualityKind::None || node < 0 || node >= static_cast<int>(m.nodes.size()) ||
      r.step_count() == 0 || r.node_count() != m.nodes.size() || r.link_count() != m.links.size() ||
      r.tank_count() != m.tanks.size())
    return sets;
  const std::string &id = m.nodes[node].id;
  sets.push_back({id, quality_code(m), "C", hours(r), r.series(NodeAttr::Quality, node)});
  for (const int origin : traced_origins(m)) {
    Model traced = m;
    traced.options.quality = QualityKind::Trace;
    traced.options.trace_node = m.nodes[origin].id;
    DataSet set{id, m.nodes[origin].id, "T", hours(r), {}};
    set.values.reserve(r.step_count());
    try {
      run_over_steps(traced, r, [&](std::size_t, const Transport &tr) {
        set.values.push_back(static_cast<float>(tr.node_quality(node)));
      });
    } catch (const std::exception &) {
      continue;  // a failed trace leaves its set out rather than giving wrong values
    }
    sets.push_back(std::move(set));
  }
  return sets;
}

int DataSetCursor::prepare(const Model &m, const Results &r, int node) {
  sets_ = node_data_sets(m, r, node);
  next_ = 0;
  return static_cast<int>(sets_.size());
}

const DataSet *DataSetCursor::peek() const {
  return next_ < sets_.size() ? &sets_[next_] : nullptr;
}

const DataSet *DataSetCursor::next() {
  if (next_ >= sets_.size()) return nullptr;
  return &sets_[next_++];
}

}  // namespace orv::wq
