// Conservation in a run: the hydraulic solution balances water at every node
// and step, and the transport neither makes nor loses substance beyond what
// reacts.
#include <doctest/doctest.h>

#include <numbers>
#include <numeric>
#include <vector>

#include "hydraulics/simulate.hpp"
#include "io/inp_reader.hpp"
#include "quality/transport.hpp"

namespace {

using namespace orv;

// Water leaving each node through its links (m3/s) at one step.
std::vector<double> net_outflow(const Model &model, const Results &r, std::size_t step) {
  std::vector<double> out(model.nodes.size(), 0.0);
  const auto flow = r.column(LinkAttr::Flow, step);
  for (std::size_t k = 0; k < model.links.size(); ++k) {
    out[static_cast<std::size_t>(model.links[k].from)] += flow[k];
    out[static_cast<std::size_t>(model.links[k].to)] -= flow[k];
  }
  return out;
}

}  // namespace

TEST_CASE("every step of a run balances water at each node and over the network") {
  const Model model = read_inp(ORV_TOWN);
  const SimulationRun run = simulate_hydraulics(model);
  REQUIRE(run.status == kHydOk);
  const Results &r = run.results;
  REQUIRE(r.step_count() > 24);
  for (std::size_t step = 0; step < r.step_count(); ++step) {
    CAPTURE(r.times()[step]);
    const auto demand = r.column(NodeAttr::Demand, step);
    const std::vector<double> leaving = net_outflow(model, r, step);
    double supplied = 0, consumed = 0, stored = 0;
    for (std::size_t n = 0; n < model.nodes.size(); ++n) {
      const Node &node = model.nodes[n];
      if (node.kind == NodeKind::Junction) {
        // What enters a junction through its links is its demand.
        CHECK(-leaving[n] == doctest::Approx(demand[n]).epsilon(1e-4).scale(1e-3));
        consumed += demand[n];
      } else if (model.tanks[static_cast<std::size_t>(node.tank)].reservoir) {
        supplied += leaving[n];
      } else {
        stored -= leaving[n];  // a tank fills with what its links bring
      }
    }
    CHECK(supplied == doctest::Approx(consumed + stored).epsilon(1e-4));
    CHECK(consumed > 0);
  }
}

TEST_CASE("transport conserves a substance: what enters leaves, stays in the pipes or reacts") {
  // A reservoir at quality 1 feeds two pipes in series towards one demand.
  const char *text = R"(
[JUNCTIONS]
 J1 0 0
 J2 0 2
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 300 150 100
 P2 J1 J2 200 100 100
[QUALITY]
 R1 1
[REACTIONS]
 ORDER BULK 1
 GLOBAL BULK {k}
[OPTIONS]
 UNITS LPS
 QUALITY CHEMICAL mg/L
[END]
)";
  for (const double per_day : {0.0, -2.0}) {
    CAPTURE(per_day);
    std::string inp(text);
    inp.replace(inp.find("{k}"), 3, std::to_string(per_day));
    const Model model = read_inp_text(inp, "two_pipes.inp");
    const double q = 2e-3;  // m3/s through both pipes, out at J2
    wq::Period period;
    period.flow = {q, q};
    period.demand = {0.0, q, -q};
    wq::Transport transport(model);
    transport.load(period);

    std::vector<double> volume;
    for (const Link &link : model.links)
      volume.push_back(std::numbers::pi / 4 * link.diameter * link.diameter * link.length);
    const auto held = [&] {
      double mass = 0;
      for (std::size_t k = 0; k < volume.size(); ++k) mass += transport.link_quality(static_cast<int>(k)) * volume[k];
      return mass;
    };
    // Concentrations in mg/L are g/m3: masses below are in grams.
    // A first-order bulk reaction takes k·c·dt from each parcel at each step.
    const double dt = 60, decay = -per_day / 86400 * dt;
    double before = held(), entered = 0, left = 0, reacted = 0;
    for (int k = 0; k < 240; ++k) {
      reacted += decay * held();
      transport.step(dt);
      entered += q * dt * 1.0;
      left += q * dt * transport.node_quality(1);
    }
    const double after = held();
    CHECK(after > 0);
    CHECK(entered == doctest::Approx(left + (after - before) + reacted).epsilon(1e-6));
    if (per_day == 0.0) CHECK(reacted == 0.0);
  }
}
