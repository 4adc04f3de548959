#include "hydraulics/static_ldlt.hpp"

#include <algorithm>
#include <cmath>

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
  n_ = n;
  // Two walks, one to count each column of L and one to fill it, rather than
  // a growing vector per column. Both walk the same paths: a node's parent is
  // set by the first row that reaches it.
  std::vector<int> parent;
  l_start_.assign(n + 1, 0);
  walk_rows(n, col_start, rows, parent, [&](int i, int) { ++l_start_[i + 1]; });
  for (int i = 0; i < n; ++i) l_start_[i + 1] += l_start_[i];
  lower_ = l_start_[n];
  l_rows_.assign(lower_, 0);
  std::vector<int> next(l_start_.begin(), l_start_.end() - 1);
  walk_rows(n, col_start, rows, parent, [&](int i, int k) {  // k ascends: each column's rows come sorted
    l_rows_[next[i]++] = k;
  });
  // Eliminating column j subtracts l_q * d_j * l_p from entry (r_q, r_p) for
  // every pair of its entries p <= q; that entry is in the pattern of L.
  std::size_t widest = 0, updates = 0;
  for (int j = 0; j < n; ++j) {
    const std::size_t count = l_start_[j + 1] - l_start_[j];
    widest = std::max(widest, count);
    updates += count * (count + 1) / 2;
  }
  update_target_.clear();
  update_target_.reserve(updates);
  for (int j = 0; j < n; ++j)
    for (int p = l_start_[j]; p < l_start_[j + 1]; ++p)
      for (int q = p; q < l_start_[j + 1]; ++q) update_target_.push_back(value_index(l_rows_[p], l_rows_[q]));
  work_.assign(static_cast<std::size_t>(lower_) + n, 0.0);
  scaled_.assign(widest, 0.0);
}

int StaticLdlt::value_index(int row, int col) const {
  if (row == col) return lower_ + row;
  // Entry (col, row) of the lower triangle, in column `row` of L.
  const int *begin = l_rows_.data() + l_start_[row], *end = l_rows_.data() + l_start_[row + 1];
  return static_cast<int>(std::lower_bound(begin, end, col) - l_rows_.data());
}

void StaticLdlt::clear_values() { std::fill(work_.begin(), work_.end(), 0.0); }

namespace {

// Eliminates one column of `count` entries (count known at compile time for
// the short columns that make up nearly all of a network's factor, so the
// loops unroll): scales it by the pivot and applies its updates in order.
template <int Count>
const int *eliminate(double *l, double *col, double pivot, const int *target) {
  double w[Count];
  for (int c = 0; c < Count; ++c) {
    w[c] = col[c];
    col[c] = w[c] / pivot;
  }
  for (int c = 0; c < Count; ++c)
    for (int e = c; e < Count; ++e) l[*target++] -= col[e] * w[c];
  return target;
}

}  // namespace

int StaticLdlt::factorise() {
  double *l = work_.data();
  double *d = l + lower_;
  const int *target = update_target_.data();
  for (int j = 0; j < n_; ++j) {
    const double dj = d[j];
    if (dj == 0.0) return j;
    double *col = l + l_start_[j];
    const int count = l_start_[j + 1] - l_start_[j];
    switch (count) {
      case 0: break;
      case 1: target = eliminate<1>(l, col, dj, target); break;
      case 2: target = eliminate<2>(l, col, dj, target); break;
      case 3: target = eliminate<3>(l, col, dj, target); break;
      case 4: target = eliminate<4>(l, col, dj, target); break;
      default:
        for (int c = 0; c < count; ++c) {
          scaled_[c] = col[c];
          col[c] /= dj;
        }
        for (int c = 0; c < count; ++c)
          for (int e = c; e < count; ++e) l[*target++] -= col[e] * scaled_[c];
    }
  }
  for (int k = 0; k < n_; ++k)
    if (!std::isfinite(d[k])) return k;
  return -1;
}

// Both substitutions go column by column: forward, a column's unknown is
// final when its turn comes and it updates the rows below; backward (in
// reverse), the rows below are final and update the column's unknown, which
// stays in a register.
void StaticLdlt::solve(double *x) const {
  const double *l = work_.data();
  const double *d = l + lower_;
  const int *rows = l_rows_.data();
  for (int j = 0; j < n_; ++j) {
    const double xj = x[j];
    for (int p = l_start_[j]; p < l_start_[j + 1]; ++p) x[rows[p]] -= l[p] * xj;
  }
  for (int j = 0; j < n_; ++j) x[j] /= d[j];
  for (int j = n_ - 1; j >= 0; --j) {
    double xj = x[j];
    for (int p = l_start_[j + 1] - 1; p >= l_start_[j]; --p) xj -= l[p] * x[rows[p]];
    x[j] = xj;
  }
}

}  // namespace orv::hyd
