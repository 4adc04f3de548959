// The sparse factorisation runs its columns in an order of its own choosing;
// its factor and solutions must still be, to the last bit, those of plain
// elimination column by column, or results would change with the schedule.
#include <doctest/doctest.h>

#include <random>
#include <utility>
#include <vector>

#include "hydraulics/static_ldlt.hpp"

namespace {

using Dense = std::vector<std::vector<double>>;

// A network's matrix: conductances between random pairs of nodes (a chain
// keeps it connected), each node also tied to a fixed head.
struct Network {
  int n;
  std::vector<std::pair<int, int>> links;
  std::vector<double> conductance, to_ground;
};

Network random_network(std::mt19937_64 &rng, int n) {
  std::uniform_real_distribution<double> value(0.01, 100.0);
  std::uniform_int_distribution<int> node(0, n - 1);
  Network net{n, {}, {}, {}};
  for (int i = 1; i < n; ++i) net.links.push_back({node(rng) % i, i});
  for (int extra = n / 3; extra > 0; --extra) {
    const int a = node(rng), b = node(rng);
    if (a != b) net.links.push_back({a, b});
  }
  for (std::size_t k = 0; k < net.links.size(); ++k) net.conductance.push_back(value(rng));
  for (int i = 0; i < n; ++i) net.to_ground.push_back(i % 7 == 0 ? value(rng) : 0.0);
  return net;
}

// Elimination column by column on the full matrix (lower triangle), then
// both substitutions.
std::vector<double> dense_solution(Dense a, std::vector<double> x) {
  const std::size_t n = a.size();
  std::vector<double> unscaled(n);
  for (std::size_t j = 0; j < n; ++j) {
    for (std::size_t i = j + 1; i < n; ++i) {
      unscaled[i] = a[i][j];
      a[i][j] = unscaled[i] / a[j][j];
    }
    for (std::size_t c = j + 1; c < n; ++c)
      for (std::size_t e = c; e < n; ++e) a[e][c] -= a[e][j] * unscaled[c];
  }
  for (std::size_t j = 0; j < n; ++j)
    for (std::size_t i = j + 1; i < n; ++i) x[i] -= a[i][j] * x[j];
  for (std::size_t j = 0; j < n; ++j) x[j] /= a[j][j];
  for (std::size_t j = n; j-- > 0;)
    for (std::size_t i = n - 1; i > j; --i) x[j] -= a[i][j] * x[i];
  return x;
}

Dense dense_matrix(const Network &net) {
  Dense a(net.n, std::vector<double>(net.n, 0.0));
  for (int i = 0; i < net.n; ++i) a[i][i] += net.to_ground[i];
  for (std::size_t k = 0; k < net.links.size(); ++k) {
    const auto [p, q] = net.links[k];
    const double g = net.conductance[k];
    a[p][p] += g;
    a[q][q] += g;
    a[std::max(p, q)][std::min(p, q)] -= g;
  }
  return a;
}

// Assembles in the same order as dense_matrix, so that the values agree.
void assemble(orv::hyd::StaticLdlt &f, const Network &net) {
  f.clear_values();
  double *v = f.values();
  for (int i = 0; i < net.n; ++i) v[f.value_index(i, i)] += net.to_ground[i];
  for (std::size_t k = 0; k < net.links.size(); ++k) {
    const auto [p, q] = net.links[k];
    const double g = net.conductance[k];
    v[f.value_index(p, p)] += g;
    v[f.value_index(q, q)] += g;
    v[f.value_index(std::min(p, q), std::max(p, q))] -= g;
  }
}

orv::hyd::StaticLdlt analysed(const Network &net) {
  const orv::hyd::UpperPattern u = orv::hyd::upper_pattern(net.n, net.links);
  orv::hyd::StaticLdlt f;
  f.analyse(net.n, u.col_start.data(), u.rows.data());
  return f;
}

}  // namespace

TEST_CASE("the sparse factorisation solves exactly as elimination column by column") {
  std::mt19937_64 rng(11);
  std::uniform_real_distribution<double> flow(-50.0, 50.0);
  for (const int n : {1, 2, 5, 40, 300}) {
    for (int trial = 0; trial < 20; ++trial) {
      const Network net = random_network(rng, n);
      orv::hyd::StaticLdlt f = analysed(net);
      assemble(f, net);
      std::vector<double> b(n);
      for (double &x : b) x = flow(rng);
      const std::vector<double> expected = dense_solution(dense_matrix(net), b);
      REQUIRE(f.factorise() == -1);
      std::vector<double> x = b;
      f.solve(x.data());
      int differing = 0;
      for (int i = 0; i < n; ++i) differing += x[i] != expected[i];
      CHECK_MESSAGE(differing == 0, "n = " << n << ", trial " << trial);
    }
  }
}

TEST_CASE("the first column whose pivot vanishes is the one reported") {
  // Nodes 1 and 2 tied to each other only: their block is singular, and so is
  // the next isolated pair, 3 and 4. Columns after the first zero pivot see
  // divisions by zero; the report must still name the first.
  Network net{6, {{0, 5}, {1, 2}, {3, 4}}, {1.0, 2.0, 3.0}, {1.0, 0, 0, 0, 0, 1.0}};
  orv::hyd::StaticLdlt f = analysed(net);
  assemble(f, net);
  CHECK(f.factorise() == 2);
  // Once tied to a fixed head, the pair is sound; the next pair is reported.
  net.to_ground[2] = 0.5;
  assemble(f, net);
  CHECK(f.factorise() == 4);
  net.to_ground[4] = 0.5;
  assemble(f, net);
  CHECK(f.factorise() == -1);
}
