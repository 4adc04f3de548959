// LDLᵀ factorisation of a symmetric matrix whose sparsity pattern never
// changes while its values do, as in every trial of a hydraulic run. Matrices
// of water networks are so sparse (L has about two entries per row) that
// bookkeeping, not arithmetic, dominates a general factorisation; so the
// analysis writes the whole elimination down once as a program: every
// multiply-subtract, division and substitution product as positions. Each
// numeric factorisation then runs that program over values assembled in place.
#pragma once

#include <memory>
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
  // One multiply-subtract of the factorisation: values[target] -= values[scaled] * unscaled_[unscaled].
  struct Update {
    int target, scaled, unscaled;
  };
  // Division of an entry of L by its column's pivot, once its updates are in.
  struct Scaling {
    int entry, column;
  };
  // One product of a substitution: x[target] -= values[entry] * x[source].
  struct Product {
    int target, entry, source;
  };
  // Columns are eliminated a level of the elimination tree at a time (leaves
  // first): columns of one level do not depend on each other, so their work
  // overlaps in the processor instead of waiting on one long chain of
  // divisions. Each entry still receives its updates in ascending column
  // order, so the factor is the same to the last bit as column by column.
  struct Level {
    int updates_end, scalings_end;
  };
  // What the analysis writes down; copies of an analysed factorisation share it.
  struct Program {
    int n = 0;
    int lower = 0;                     // entries of the strict lower part of L (values before the diagonal)
    std::vector<int> l_start, l_rows;  // strict lower part of L by columns, rows ascending
    std::vector<Level> levels;
    std::vector<Update> updates;       // by level, in rounds (see plan_levels)
    std::vector<Scaling> scalings;     // by level
    std::vector<Product> forward;      // by level, from the leaves up
    std::vector<Product> backward;     // by level, from the top down

    int value_index(int row, int col) const;
    void plan_levels(const std::vector<int> &parent);
  };

  std::shared_ptr<const Program> program_ = std::make_shared<const Program>();
  std::vector<double> work_;      // L by columns, then the diagonal D
  std::vector<double> unscaled_;  // L's entries before division by their pivot
};

}  // namespace orv::hyd
