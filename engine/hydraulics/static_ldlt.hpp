// LDLᵀ factorisation of a symmetric matrix whose sparsity pattern never
// changes while its values do, as in every trial of a hydraulic run. Matrices
// of water networks are so sparse (L has about two entries per row) that
// bookkeeping, not arithmetic, dominates a general factorisation; so the
// analysis writes the whole elimination down once as a program: for each
// column, the positions its updates land on. Each numeric factorisation then
// runs that program over values assembled in place.
#pragma once

#include <vector>

namespace orv::hyd {

class StaticLdlt {
 public:
  // Pattern of the upper triangle in compressed columns (n + 1 column starts,
  // row indices ascending within each column, diagonal included).
  void analyse(int n, const int *col_start, const int *rows);

  // Where the matrix entry (row, col), row <= col, of the analysed pattern
  // lives in values(); the matrix is assembled there.
  int value_index(int row, int col) const;
  double *values() { return work_.data(); }
  void clear_values();

  // Factorises the assembled values in place; returns the first row whose
  // pivot is zero or not finite, or -1.
  int factorise();

  // Solves in place with the last factorisation.
  void solve(double *x) const;

 private:
  int n_ = 0;
  int lower_ = 0;                      // entries of the strict lower part of L (values before the diagonal)
  std::vector<int> l_start_, l_rows_;  // strict lower part of L by columns, rows ascending
  std::vector<int> l_cols_;            // the column of each entry
  std::vector<int> update_start_;      // per column: its first update target
  std::vector<int> update_target_;     // per pair (p <= q) of a column's entries: the entry it changes
  std::vector<double> work_;           // L by columns, then the diagonal D
  std::vector<double> scaled_;         // a column's entries before division by its pivot
};

}  // namespace orv::hyd
