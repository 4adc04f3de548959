#include "hydraulics/static_ldlt.hpp"

#include <algorithm>
#include <cmath>

#include "hydraulics/cpu_dispatch.hpp"
#include "hydraulics/finite_values.hpp"

namespace orv::hyd {

namespace {

// Walks the rows of L column by column of the upper pattern (up-looking):
// row k of L has an entry in every column on the paths of the elimination
// tree from the entries of pattern column k up to k. Calls visit(i, k) for
// each, k ascending; sets `parent` (the elimination tree) along the way.
template <typename Visit>
void walk_rows(int n, const int *col_start, const int *rows, std::vector<int> &parent, Visit visit) {
  std::vector<int> mark(n, -1);
  parent.assign(n, -1);
  for (int k = 0; k < n; ++k) {
    mark[k] = k;
    for (int p = col_start[k]; p < col_start[k + 1]; ++p)
      for (int i = rows[p]; i < k && mark[i] != k; i = parent[i]) {
        if (parent[i] < 0) parent[i] = k;
        mark[i] = k;
        visit(i, k);
      }
  }
}

// Items 0, 1, ... grouped by their keys (0 to groups - 1) in compressed
// rows, ascending within a group.
struct Grouped {
  std::vector<int> start, items;
};
Grouped grouped(int groups, const std::vector<int> &key) {
  Grouped g{std::vector<int>(groups + 1, 0), std::vector<int>(key.size())};
  for (const int k : key) ++g.start[k + 1];
  for (int k = 0; k < groups; ++k) g.start[k + 1] += g.start[k];
  std::vector<int> next(g.start.begin(), g.start.end() - 1);
  for (std::size_t i = 0; i < key.size(); ++i) g.items[next[key[i]]++] = static_cast<int>(i);
  return g;
}

// a /= b and c /= d in one instruction where the processor divides pairs:
// the scalings are the factorisation's divisions, and a pair's quotients are
// each the same as alone.
inline void divide_pair(double &a, double b, double &c, double d) {
#if defined(__GNUC__)
  using Pair = double __attribute__((vector_size(16)));
  const Pair quotient = Pair{a, c} / Pair{b, d};
  a = quotient[0];
  c = quotient[1];
#else
  a /= b;
  c /= d;
#endif
}

// Runs groups of chains side by side: target[t] -= a[i] * b[j] term by term,
// each chain in a register. Returns where the next groups' rounds start.
template <typename Lanes, typename Round>
ORV_CPU_DISPATCH const Round *run_chains(const Lanes *group, const Lanes *end, const Round *round, double *target,
                                         const double *a, const double *b) {
  constexpr int lanes = sizeof(group->target) / sizeof(int);
  for (; group != end; ++group) {
    double x[lanes];
    for (int i = 0; i < lanes; ++i) x[i] = target[group->target[i]];
    for (const Round *stop = round + group->rounds; round != stop; ++round)
      for (int i = 0; i < lanes; ++i) x[i] -= a[round->a[i]] * b[round->b[i]];
    for (int i = 0; i < lanes; ++i) target[group->target[i]] = x[i];
  }
  return round;
}

}  // namespace

UpperPattern upper_pattern(int n, std::span<const std::pair<int, int>> off_diagonal) {
  UpperPattern u;
  u.col_start.assign(n + 1, 0);
  for (int c = 0; c < n; ++c) u.col_start[c + 1] = 1;
  for (const auto &[a, b] : off_diagonal) ++u.col_start[std::max(a, b) + 1];
  for (int c = 0; c < n; ++c) u.col_start[c + 1] += u.col_start[c];
  u.rows.resize(u.col_start[n]);
  std::vector<int> next(u.col_start.begin(), u.col_start.end() - 1);
  for (int c = 0; c < n; ++c) u.rows[next[c]++] = c;
  for (const auto &[a, b] : off_diagonal) u.rows[next[std::max(a, b)]++] = std::min(a, b);
  // Sort each column and drop repeats (parallel links), compacting in place.
  int kept = 0;
  for (int c = 0; c < n; ++c) {
    const auto begin = u.rows.begin() + u.col_start[c], end = u.rows.begin() + u.col_start[c + 1];
    // Columns hold a handful of rows: insertion sort.
    for (auto it = begin; it != end; ++it) {
      const int row = *it;
      auto hole = it;
      for (; hole != begin && *(hole - 1) > row; --hole) *hole = *(hole - 1);
      *hole = row;
    }
    u.col_start[c] = kept;
    for (auto it = begin; it != end; ++it)
      if (it == begin || *it != *(it - 1)) u.rows[kept++] = *it;
  }
  u.col_start[n] = kept;
  u.rows.resize(kept);
  return u;
}

void StaticLdlt::analyse(int n, const int *col_start, const int *rows) {
  auto program = std::make_shared<Program>();
  Program &pr = *program;
  pr.n = n;
  // Two walks, one to count each column of L and one to fill it, rather than
  // a growing vector per column. Both walk the same paths: a node's parent is
  // set by the first row that reaches it.
  std::vector<int> parent;
  pr.l_start.assign(n + 1, 0);
  walk_rows(n, col_start, rows, parent, [&](int i, int) { ++pr.l_start[i + 1]; });
  for (int i = 0; i < n; ++i) pr.l_start[i + 1] += pr.l_start[i];
  pr.lower = pr.l_start[n];
  pr.l_rows.assign(pr.lower, 0);
  std::vector<int> next(pr.l_start.begin(), pr.l_start.end() - 1);
  walk_rows(n, col_start, rows, parent, [&](int i, int k) {  // k ascends: each column's rows come sorted
    pr.l_rows[next[i]++] = k;
  });
  pr.plan_levels(parent);
  work_.assign(static_cast<std::size_t>(pr.lower) + n + 2, 0.0);
  unscaled_.assign(pr.lower + 1, 0.0);
  solution_.assign(n + 2, 0.0);
  program_ = std::move(program);
}

void StaticLdlt::Program::plan_levels(const std::vector<int> &parent) {
  // A column's level: 0 for a leaf of the elimination tree, else one above
  // its highest child. Every column a column depends on is a descendant.
  std::vector<int> level(n, 0);
  int top = -1;
  for (int j = 0; j < n; ++j) {
    top = std::max(top, level[j]);
    if (parent[j] >= 0) level[parent[j]] = std::max(level[parent[j]], level[j] + 1);
  }
  const Grouped by_level = grouped(top + 1, level);  // columns, ascending within a level
  const std::vector<int> &level_start = by_level.start, &columns = by_level.items;
  // The rows of L: for each row, the positions of its entries (columns ascending).
  const Grouped by_row = grouped(n, l_rows);
  const std::vector<int> &row_start = by_row.start, &row_entries = by_row.items;
  std::vector<int> column_of(lower);
  for (int j = 0; j < n; ++j) std::fill(column_of.begin() + l_start[j], column_of.begin() + l_start[j + 1], j);

  // Column k receives, from each earlier column j with an entry p in row k,
  // l_q * (unscaled l_p) on the entry in row r_q of column k for every entry
  // q >= p of column j (the diagonal for q = p).
  const int zero = lower + n, scratch = lower + n + 1;  // slots of the values
  std::vector<Term> level_updates, level_products;
  for (int v = 0; v <= top; ++v) {
    level_updates.clear();
    level_products.clear();
    for (int c = level_start[v]; c < level_start[v + 1]; ++c) {
      const int k = columns[c];
      for (int e = row_start[k]; e < row_start[k + 1]; ++e) {
        const int p = row_entries[e], j = column_of[p];
        for (int q = p; q < l_start[j + 1]; ++q) level_updates.push_back({value_index(k, q == p ? k : l_rows[q]), q, p});
        level_products.push_back({k, p, j});
      }
    }
    updates.append(level_updates, zero, lower, scratch);
    forward.append(level_products, zero, n, n + 1);
    for (int c = level_start[v]; c < level_start[v + 1]; ++c)
      for (int p = l_start[columns[c]]; p < l_start[columns[c] + 1]; ++p) scalings.push_back({p, columns[c]});
    levels.push_back({static_cast<int>(updates.lanes.size()), static_cast<int>(scalings.size())});
  }
  for (int v = top; v >= 0; --v) {
    level_products.clear();
    for (int c = level_start[v]; c < level_start[v + 1]; ++c) {
      const int k = columns[c];
      for (int p = l_start[k + 1] - 1; p >= l_start[k]; --p) level_products.push_back({k, p, l_rows[p]});
    }
    backward.append(level_products, zero, n, n + 1);
  }
}

// The terms of one level, each target's in the order it must receive them
// (targets may interleave), as chains side by side, the longest first so
// that chains of like length share their rounds.
void StaticLdlt::Chains::append(std::vector<Term> &terms, int zero_a, int zero_b, int scratch) {
  std::stable_sort(terms.begin(), terms.end(), [](const Term &x, const Term &y) { return x.target < y.target; });
  struct Run {
    int first, length;
  };
  std::vector<Run> runs;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    if (i == 0 || terms[i].target != terms[i - 1].target) runs.push_back({static_cast<int>(i), 0});
    ++runs.back().length;
  }
  std::stable_sort(runs.begin(), runs.end(), [](const Run &x, const Run &y) { return x.length > y.length; });
  for (std::size_t r0 = 0; r0 < runs.size(); r0 += kLanes) {
    Lanes group{};
    group.rounds = runs[r0].length;
    for (int lane = 0; lane < kLanes; ++lane) {
      const bool real = r0 + lane < runs.size();
      group.target[lane] = real ? terms[runs[r0 + lane].first].target : scratch;
    }
    lanes.push_back(group);
    for (int r = 0; r < group.rounds; ++r) {
      Round round{};
      for (int lane = 0; lane < kLanes; ++lane) {
        const bool real = r0 + lane < runs.size() && r < runs[r0 + lane].length;
        round.a[lane] = real ? terms[runs[r0 + lane].first + r].a : zero_a;
        round.b[lane] = real ? terms[runs[r0 + lane].first + r].b : zero_b;
      }
      rounds.push_back(round);
    }
  }
}

int StaticLdlt::Program::value_index(int row, int col) const {
  if (row == col) return lower + row;
  // Entry (col, row) of the lower triangle, in column `row` of L.
  const int *begin = l_rows.data() + l_start[row], *end = l_rows.data() + l_start[row + 1];
  return static_cast<int>(std::lower_bound(begin, end, col) - l_rows.data());
}

int StaticLdlt::value_index(int row, int col) const { return program_->value_index(row, col); }

void StaticLdlt::clear_values() { std::fill(work_.begin(), work_.end(), 0.0); }

int StaticLdlt::factorise() {
  const Program &pr = *program_;
  double *values = work_.data();
  double *d = values + pr.lower;
  double *unscaled = unscaled_.data();
  const Lanes *group = pr.updates.lanes.data();
  const Round *round = pr.updates.rounds.data();
  const Scaling *scaling = pr.scalings.data();
  for (const Level &level : pr.levels) {
    const Lanes *end = pr.updates.lanes.data() + level.lanes_end;
    round = run_chains(group, end, round, values, values, unscaled);
    group = end;
    const Scaling *last = pr.scalings.data() + level.scalings_end;
    for (; last - scaling >= 2; scaling += 2) {
      const int p = scaling[0].entry, q = scaling[1].entry;
      unscaled[p] = values[p];
      unscaled[q] = values[q];
      divide_pair(values[p], d[scaling[0].column], values[q], d[scaling[1].column]);
    }
    if (scaling != last) {
      const int p = scaling->entry;
      unscaled[p] = values[p];
      values[p] = unscaled[p] / d[scaling->column];
      ++scaling;
    }
  }
  // Every column before the first bad pivot came out as eliminating in
  // column order would have left it, so that pivot is the one reported.
  if (all_finite({d, static_cast<std::size_t>(pr.n)}, true)) return -1;
  for (int k = 0; k < pr.n; ++k)
    if (d[k] == 0.0) return k;
  for (int k = 0; k < pr.n; ++k)
    if (!std::isfinite(d[k])) return k;
  return -1;
}

// Forward, a column's unknown is final once the columns of its row (its
// descendants, all on lower levels) have been subtracted; backward, levels go
// from the top down, so the rows below a column (its ancestors) are final.
void StaticLdlt::solve(double *x) {
  const Program &pr = *program_;
  const double *l = work_.data();
  const double *d = l + pr.lower;
  double *y = solution_.data();
  std::copy(x, x + pr.n, y);
  const Chains &f = pr.forward, &b = pr.backward;
  run_chains(f.lanes.data(), f.lanes.data() + f.lanes.size(), f.rounds.data(), y, l, y);
  for (int j = 0; j < pr.n; ++j) y[j] /= d[j];
  run_chains(b.lanes.data(), b.lanes.data() + b.lanes.size(), b.rounds.data(), y, l, y);
  std::copy(y, y + pr.n, x);
}

}  // namespace orv::hyd
