// LDLᵀ factorisation of a symmetric matrix whose sparsity pattern never
// changes while its values do, as in every trial of a hydraulic run. The
// elimination tree and the pattern of each row of L are found once; each
// numeric factorisation is then a straight pass over precomputed indices.
#pragma once

#include <vector>

namespace orv::hyd {

class StaticLdlt {
 public:
  // Pattern of the upper triangle in compressed columns (n + 1 column starts,
  // row indices ascending within each column, diagonal included).
  void analyse(int n, const int *col_start, const int *rows);

  // Factorises the matrix with these values (in the analysed pattern); returns
  // the first row whose pivot is zero or not finite, or -1.
  int factorise(const double *values);

  // Solves in place with the last factorisation.
  void solve(double *x) const;

 private:
  int n_ = 0;
  std::vector<int> a_start_, a_rows_;       // pattern of the matrix
  std::vector<int> l_start_, l_rows_;       // strictly lower part of L, by columns, rows ascending
  std::vector<int> row_start_, row_cols_;   // per row k: the columns i < k of L(k, i), ascending
  std::vector<int> row_pos_;                // where each L(k, i) lies in its column
  std::vector<double> l_values_, d_;
  std::vector<double> work_;                // zero between factorisations
};

}  // namespace orv::hyd
