#include "hydraulics/static_ldlt.hpp"

#include <algorithm>
#include <cmath>

namespace orv::hyd {

void StaticLdlt::analyse(int n, const int *col_start, const int *rows) {
  n_ = n;
  // Elimination tree and column counts of L (up-looking over the rows of L,
  // which are the columns of the upper pattern).
  std::vector<int> parent(n, -1), mark(n, -1), count(n, 0);
  std::vector<std::vector<int>> column_rows(n);
  for (int k = 0; k < n; ++k) {
    mark[k] = k;
    for (int p = col_start[k]; p < col_start[k + 1]; ++p)
      for (int i = rows[p]; i < k && mark[i] != k; i = parent[i]) {
        if (parent[i] < 0) parent[i] = k;
        mark[i] = k;
        column_rows[i].push_back(k);  // k ascends: each column's rows come sorted
      }
  }
  l_start_.assign(n + 1, 0);
  for (int i = 0; i < n; ++i) l_start_[i + 1] = l_start_[i] + static_cast<int>(column_rows[i].size());
  lower_ = l_start_[n];
  l_rows_.clear();
  l_rows_.reserve(lower_);
  l_cols_.clear();
  l_cols_.reserve(lower_);
  for (int i = 0; i < n; ++i) {
    l_rows_.insert(l_rows_.end(), column_rows[i].begin(), column_rows[i].end());
    l_cols_.insert(l_cols_.end(), column_rows[i].size(), i);
  }
  // Eliminating column j subtracts l_q * d_j * l_p from entry (r_q, r_p) for
  // every pair of its entries p <= q; that entry is in the pattern of L.
  update_start_.assign(n + 1, 0);
  update_target_.clear();
  std::size_t widest = 0;
  for (int j = 0; j < n; ++j) {
    widest = std::max(widest, column_rows[j].size());
    for (int p = l_start_[j]; p < l_start_[j + 1]; ++p)
      for (int q = p; q < l_start_[j + 1]; ++q) update_target_.push_back(value_index(l_rows_[p], l_rows_[q]));
    update_start_[j + 1] = static_cast<int>(update_target_.size());
  }
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

// L's entries in column order are a valid order for both substitutions:
// forward, each column is final before its entries are used; backward (in
// reverse), each row is final before it is read.
void StaticLdlt::solve(double *x) const {
  const double *l = work_.data();
  const double *d = l + lower_;
  const int *rows = l_rows_.data(), *cols = l_cols_.data();
  for (int p = 0; p < lower_; ++p) x[rows[p]] -= l[p] * x[cols[p]];
  for (int j = 0; j < n_; ++j) x[j] /= d[j];
  for (int p = lower_ - 1; p >= 0; --p) x[cols[p]] -= l[p] * x[rows[p]];
}

}  // namespace orv::hyd
