// LDLᵀ factorisation of a symmetric matrix whose sparsity pattern never
// changes while its values do, as in every trial of a hydraulic run. Matrices
// of water networks are so sparse (L has about two entries per row) that
// bookkeeping, not arithmetic, dominates a general factorisation; so the
// analysis writes the whole elimination down once as a program: for each
// column, the positions its updates land on. Each numeric factorisation then
// runs that program over values assembled in place.
#pragma once

#include <span>
#include <utility>
#include <vector>

namespace orv::hyd {

// The upper triangle of a symmetric n x n pattern in compressed columns, rows
// ascending and each once, diagonal included, from its off-diagonal pairs
// (either way round; repeats allowed).
struct UpperPattern {
  std::vector<int> col_start, rows;
};
UpperPattern upper_pattern(int n, std::span<const std::pair<int, int>> off_diagonal);

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
  std::vector<int> update_target_;     // column by column, per pair (p <= q) of a column's entries: the entry it changes
  std::vector<double> work_;           // L by columns, then the diagonal D
  std::vector<double> scaled_;         // a column's entries before division by its pivot
};

}  // namespace orv::hyd
