#include "quality/quality.hpp"

#include <algorithm>
#include <exception>
#include <functional>
#include <string>

#include "quality/kinetics.hpp"
#include "quality/transport.hpp"

namespace orv {
namespace {

// Quality step in force: the model's, never longer than the hydraulic step.
double quality_step(const Model &m) {
  double q = m.times.quality_step;
  if (q <= 0) q = m.times.hydraulic_step / 10.0;
  q = std::min(q, m.times.hydraulic_step);
  return q > 0 ? q : 300.0;
}

wq::Period period_at(const Results &r, std::size_t step) {
  wq::Period p;
  p.start = r.times()[step];
  auto flow = r.column(LinkAttr::Flow, step);
  auto demand = r.column(NodeAttr::Demand, step);
  auto volume = r.column(TankAttr::Volume, step);
  p.flow.assign(flow.begin(), flow.end());
  p.demand.assign(demand.begin(), demand.end());
  p.tank_volume.assign(volume.begin(), volume.end());
  // Closed links carry no water whatever small flow the solver left in them.
  auto status = r.column(LinkAttr::Status, step);
  for (std::size_t k = 0; k < p.flow.size() && k < status.size(); ++k)
    if (status[k] == static_cast<float>(ReportedLinkStatus::Closed)) p.flow[k] = 0.0;
  return p;
}

}  // namespace

namespace wq {

void run_over_steps(const Model &model, const Results &r,
                    const std::function<void(std::size_t, const Transport &)> &record) {
  const std::size_t steps = r.step_count();
  Transport tr(model, model.options.reference_quality_conventions ? Conventions::reference() : Conventions{});
  const double qstep = quality_step(model);
  if (steps > 0) {
    auto last = r.column(TankAttr::Volume, steps - 1);
    tr.set_final_tank_volumes(std::vector<double>(last.begin(), last.end()));
  }
  for (std::size_t i = 0; i < steps; ++i) {
    tr.load(period_at(r, i));
    record(i, tr);
    if (i + 1 == steps) break;
    const double span = r.times()[i + 1] - r.times()[i];
    // Quality steps restart at every hydraulic step; a remainder shorter
    // than a step closes the period.
    for (double done = 0; done < span - 1e-6;) {
      const double dt = std::min(qstep, span - done);
      tr.step(dt);
      done += dt;
    }
  }
}

}  // namespace wq

namespace {

void record(Results &r, std::size_t step, const wq::Transport &tr) {
  auto nodes = r.column(NodeAttr::Quality, step);
  for (std::size_t n = 0; n < nodes.size(); ++n)
    nodes[n] = static_cast<float>(tr.node_quality(static_cast<int>(n)));
  auto links = r.column(LinkAttr::Quality, step);
  for (std::size_t k = 0; k < links.size(); ++k)
    links[k] = static_cast<float>(tr.link_quality(static_cast<int>(k)));
}

// A chemical that no source releases, that no node or tank holds at the start
// and that no reaction creates is zero everywhere at every instant; the
// quality columns of a new run read as zero until written, so they already
// hold the answer, which transporting zeros would take as long to find as
// transporting anything.
bool stays_zero(const Model &model) {
  if (model.options.quality != QualityKind::Chemical) return false;
  for (const Node &n : model.nodes)
    if (n.initial_quality != 0.0 || n.source) return false;
  return !wq::Kinetics(model).active();
}

void warn(SimulationRun &run, const std::string &what) {
  if (run.status == kHydOk) run.status = kQualWarning;
  if (!run.message.empty()) run.message += "; ";
  run.message += "water quality: " + what;
}

}  // namespace

void simulate_quality(const Model &model, SimulationRun &run) {
  if (model.options.quality == QualityKind::None) return;
  Results &r = run.results;
  const std::size_t steps = r.step_count();
  if (steps == 0) return;
  if (r.node_count() != model.nodes.size() || r.link_count() != model.links.size() ||
      r.tank_count() != model.tanks.size()) {
    warn(run, "the results do not belong to this model");
    return;
  }
  if (model.options.quality == QualityKind::Trace && model.find_node(model.options.trace_node) == kNone)
    warn(run, "trace node " + model.options.trace_node + " does not exist; nothing is traced");
  if (stays_zero(model)) return;
  try {
    wq::run_over_steps(model, r, [&r](std::size_t i, const wq::Transport &tr) { record(r, i, tr); });
  } catch (const std::exception &e) {
    for (std::size_t i = 0; i < steps; ++i) {
      auto n = r.column(NodeAttr::Quality, i);
      std::fill(n.begin(), n.end(), 0.0f);
      auto l = r.column(LinkAttr::Quality, i);
      std::fill(l.begin(), l.end(), 0.0f);
    }
    warn(run, e.what());
  }
}

}  // namespace orv
