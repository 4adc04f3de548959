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
  void solve(double *x);

 private:
  // A chain of multiply-subtracts on one entry, target -= a * b, in the
  // order elimination column by column makes them.
  struct Term {
    int target, a, b;
  };
  // Chains go two side by side: each keeps its entry in a register from its
  // first term to its last (no store and load between two terms, as when
  // every term was a separate read and write of memory), and the two overlap
  // in the processor; four left more padding than they gained. The chains of
  // one level of the elimination tree are independent of each other; a
  // shorter one is padded with terms that read two zeros (x - 0 * 0 is x to
  // the last bit, whatever x is), a missing one with a chain that writes a
  // scratch slot.
  static constexpr int kLanes = 2;
  struct Lanes {
    int target[kLanes];
    int rounds;
  };
  struct Round {
    int a[kLanes], b[kLanes];
  };
  struct Chains {
    std::vector<Lanes> lanes;
    std::vector<Round> rounds;
    void append(std::vector<Term> &terms, int zero_a, int zero_b, int scratch);
  };
  // Division of an entry of L by its column's pivot, once its updates are in.
  struct Scaling {
    int entry, column;
  };
  // Columns are eliminated a level of the elimination tree at a time (leaves
  // first): columns of one level do not depend on each other, so their work
  // overlaps in the processor instead of waiting on one long chain of
  // divisions. Each entry still receives its updates in ascending column
  // order, so the factor is the same to the last bit as column by column.
  struct Level {
    int lanes_end, scalings_end;
  };
  // What the analysis writes down; copies of an analysed factorisation share
  // it. Values hold L by columns, then the diagonal D, then a zero and a
  // scratch slot; the unscaled entries and the solution a zero slot each
  // after theirs (the solution a scratch slot too).
  struct Program {
    int n = 0;
    int lower = 0;                     // entries of the strict lower part of L (values before the diagonal)
    std::vector<int> l_start, l_rows;  // strict lower part of L by columns, rows ascending
    std::vector<Level> levels;
    Chains updates;                    // values[target] -= values[a] * unscaled[b], by level
    std::vector<Scaling> scalings;     // by level
    Chains forward;                    // x[target] -= values[a] * x[b], from the leaves up
    Chains backward;                   // the same, from the top down

    int value_index(int row, int col) const;
    void plan_levels(const std::vector<int> &parent);
  };

  std::shared_ptr<const Program> program_ = std::make_shared<const Program>();
  std::vector<double> work_;      // L by columns, then the diagonal D, then a zero and a scratch slot
  std::vector<double> unscaled_;  // L's entries before division by their pivot, then a zero
  std::vector<double> solution_;  // the unknowns during a solve, then a zero and a scratch slot
};

}  // namespace orv::hyd
