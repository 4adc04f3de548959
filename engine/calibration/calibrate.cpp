#include "calibration/calibrate.hpp"

#include <cmath>
#include <map>
#include <set>

#include "calibration/comparison.hpp"
#include "calibration/levenberg_marquardt.hpp"
#include "hydraulics/solver_layout.hpp"
#include "model/status.hpp"

namespace orv::calibration {
namespace {

bool is_pipe(const Link &l) { return l.kind == LinkKind::Pipe || l.kind == LinkKind::CVPipe; }

void check_groups(const Model &m, const std::vector<ParameterGroup> &groups) {
  if (groups.empty()) throw Failure(Status::BadArgument, "nothing to calibrate");
  std::set<int> links, nodes;
  for (const ParameterGroup &g : groups) {
    if (g.members.empty())
      throw Failure(Status::BadArgument, "calibration group " + g.name + " has no member to adjust");
    for (int i : g.members) {
      const bool roughness = g.kind == ParameterGroup::Kind::Roughness;
      if (!(roughness ? links : nodes).insert(i).second)
        throw Failure(Status::BadArgument,
                      (roughness ? "pipe " + m.links[i].id : "node " + m.nodes[i].id) +
                          " is in two calibration groups");
    }
  }
}

struct SeriesSpan {
  std::size_t begin, end;
};

// Residuals of every measured series, concatenated in store order.
std::vector<double> all_differences(const Model &m, const Results &r,
                                    const measurements::MeasurementStore &store,
                                    std::vector<SeriesSpan> *spans) {
  std::vector<double> out;
  for (const auto &[key, s] : store.all()) {
    const std::vector<double> d = differences(m, r, key, s);
    if (spans && !d.empty()) spans->push_back({out.size(), out.size() + d.size()});
    out.insert(out.end(), d.begin(), d.end());
  }
  return out;
}

}  // namespace

std::vector<ParameterGroup> roughness_by_material(const Model &m) {
  std::map<std::string, std::vector<int>> by_tag;
  for (int i = 0; i < static_cast<int>(m.links.size()); ++i)
    if (is_pipe(m.links[i])) by_tag[m.links[i].tag].push_back(i);
  std::vector<ParameterGroup> out;
  for (auto &[tag, members] : by_tag)
    out.push_back({ParameterGroup::Kind::Roughness, tag.empty() ? "(untagged pipes)" : tag,
                   std::move(members)});
  return out;
}

void apply_factors(Model &m, const std::vector<ParameterGroup> &groups, const std::vector<double> &factors) {
  for (std::size_t g = 0; g < groups.size(); ++g)
    for (int i : groups[g].members) {
      if (groups[g].kind == ParameterGroup::Kind::Roughness) m.links[i].roughness *= factors[g];
      else
        for (Demand &d : m.nodes[i].demands) d.base *= factors[g];
    }
}

CalibrationResult calibrate(const Model &m, const measurements::MeasurementStore &store,
                            const Thresholds &thresholds, const std::vector<ParameterGroup> &groups,
                            int max_iterations) {
  check_groups(m, groups);
  const auto n = static_cast<Eigen::Index>(groups.size());
  const auto factors_of = [](const Eigen::VectorXd &x) {
    std::vector<double> f(static_cast<std::size_t>(x.size()));
    for (Eigen::Index k = 0; k < x.size(); ++k) f[k] = std::exp(x[k]);
    return f;
  };
  hyd::LayoutCache layouts;  // the factors change values, never the network's shape
  Results spare;             // each trial run's store, written again by the next
  const auto simulate_with = [&](const Eigen::VectorXd &x) {
    Model copy = m;
    apply_factors(copy, groups, factors_of(x));
    SimulationRun run = simulate_hydraulics(copy, nullptr, &layouts, std::move(spare));
    return std::make_pair(std::move(copy), std::move(run));
  };

  SimulationRun start = simulate_hydraulics(m, nullptr, &layouts);
  if (start.status > 100)
    throw Failure(Status::SimulationFailed, "the model cannot be simulated: " + start.message);
  std::vector<SeriesSpan> spans;
  const std::size_t points = all_differences(m, start.results, store, &spans).size();
  if (points == 0)
    throw Failure(Status::BadArgument, "no measured point lies within the simulated period");

  LmProblem problem;
  problem.lower = Eigen::VectorXd::Constant(n, std::log(0.1));
  problem.upper = Eigen::VectorXd::Constant(n, std::log(10.0));
  problem.residuals = [&](const Eigen::VectorXd &x) -> std::optional<Eigen::VectorXd> {
    auto [copy, run] = simulate_with(x);
    if (run.status > 100) return std::nullopt;
    const std::vector<double> d = all_differences(copy, run.results, store, nullptr);
    spare = std::move(run.results);
    if (d.size() != points) return std::nullopt;
    return Eigen::Map<const Eigen::VectorXd>(d.data(), static_cast<Eigen::Index>(d.size()));
  };

  Summary summary;
  const auto observe = [&](int iteration, const Eigen::VectorXd &, const Eigen::VectorXd &r) {
    if (summary.iterations_to_100 >= 0) return;
    for (const SeriesSpan &s : spans) {
      const double rms = std::sqrt(r.segment(s.begin, s.end - s.begin).squaredNorm() /
                                   static_cast<double>(s.end - s.begin));
      if (indicator_class(rms, thresholds) != 1) return;
    }
    summary.iterations_to_100 = iteration;
    summary.objective_100 = r.squaredNorm();
  };
  LmOptions options;
  options.max_iterations = max_iterations;
  const LmResult lm = levenberg_marquardt(problem, Eigen::VectorXd::Zero(n), options, observe);

  CalibrationResult out;
  out.factors = factors_of(lm.x);
  auto [copy, run] = simulate_with(lm.x);
  if (run.status > 100)
    throw Failure(Status::SimulationFailed, "the calibrated model cannot be simulated: " + run.message);
  out.run = std::move(run);
  summary.iterations = lm.iterations;
  summary.objective_0 = lm.objective_0;
  summary.objective_min = lm.objective;
  summary.damping = lm.lambda;
  summary.ran = true;
  out.summary = summary;
  return out;
}

}  // namespace orv::calibration
