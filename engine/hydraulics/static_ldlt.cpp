#include "hydraulics/static_ldlt.hpp"

#include <algorithm>
#include <cmath>

namespace orv::hyd {

void StaticLdlt::analyse(int n, const int *col_start, const int *rows) {
  n_ = n;
  a_start_.assign(col_start, col_start + n + 1);
  a_rows_.assign(rows, rows + col_start[n]);
  // Row k of L reaches every node on the elimination-tree paths from the
  // rows of column k of the matrix up to k (up-looking, one row at a time).
  std::vector<int> parent(n, -1), mark(n, -1), count(n, 0);
  row_start_.assign(n + 1, 0);
  row_cols_.clear();
  for (int k = 0; k < n; ++k) {
    mark[k] = k;
    const std::size_t first = row_cols_.size();
    for (int p = a_start_[k]; p < a_start_[k + 1]; ++p)
      for (int i = a_rows_[p]; i < k && mark[i] != k; i = parent[i]) {
        if (parent[i] < 0) parent[i] = k;
        mark[i] = k;
        row_cols_.push_back(i);
        ++count[i];
      }
    // Ascending order is a topological order: L(i, j) != 0 only for j < i.
    std::sort(row_cols_.begin() + static_cast<std::ptrdiff_t>(first), row_cols_.end());
    row_start_[k + 1] = static_cast<int>(row_cols_.size());
  }
  l_start_.assign(n + 1, 0);
  for (int i = 0; i < n; ++i) l_start_[i + 1] = l_start_[i] + count[i];
  l_rows_.assign(row_cols_.size(), 0);
  row_pos_.assign(row_cols_.size(), 0);
  std::vector<int> next(l_start_.begin(), l_start_.end() - 1);
  for (int k = 0; k < n; ++k)
    for (int t = row_start_[k]; t < row_start_[k + 1]; ++t) {
      const int pos = next[row_cols_[t]]++;
      l_rows_[pos] = k;
      row_pos_[t] = pos;
    }
  l_values_.assign(row_cols_.size(), 0.0);
  d_.assign(n, 0.0);
  work_.assign(n, 0.0);
}

int StaticLdlt::factorise(const double *values) {
  double *y = work_.data();
  double *lx = l_values_.data();
  const int *lr = l_rows_.data();
  for (int k = 0; k < n_; ++k) {
    for (int p = a_start_[k]; p < a_start_[k + 1]; ++p) y[a_rows_[p]] += values[p];
    double d = y[k];
    y[k] = 0.0;
    for (int t = row_start_[k]; t < row_start_[k + 1]; ++t) {
      const int i = row_cols_[t];
      const double yi = y[i];
      y[i] = 0.0;
      // Column i holds, before L(k, i), exactly its rows above k.
      const int end = row_pos_[t];
      for (int p = l_start_[i]; p < end; ++p) y[lr[p]] -= lx[p] * yi;
      const double lki = yi / d_[i];
      d -= lki * yi;
      lx[end] = lki;
    }
    d_[k] = d;
    if (d == 0.0) return k;  // every entry of y is back to zero here
  }
  for (int k = 0; k < n_; ++k)
    if (!std::isfinite(d_[k])) return k;
  return -1;
}

void StaticLdlt::solve(double *x) const {
  const double *lx = l_values_.data();
  const int *lr = l_rows_.data();
  for (int j = 0; j < n_; ++j) {
    const double xj = x[j];
    for (int p = l_start_[j]; p < l_start_[j + 1]; ++p) x[lr[p]] -= lx[p] * xj;
  }
  for (int j = 0; j < n_; ++j) x[j] /= d_[j];
  for (int j = n_ - 1; j >= 0; --j) {
    double xj = x[j];
    for (int p = l_start_[j]; p < l_start_[j + 1]; ++p) xj -= lx[p] * x[lr[p]];
    x[j] = xj;
  }
}

}  // namespace orv::hyd
