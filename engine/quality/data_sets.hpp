// Water-quality data sets of a node, read one after the other by the
// water-quality entry points. Each set is a time series over the stored steps:
//  - attribute "C": the simulated quality at the node, code = the quality's
//    name (the chemical's name, "AGE" or "TRACE"), values in display units;
//  - attribute "T": when the network has two or more origins of water
//    (reservoirs; boosters and tanks only pass water on), one set per origin with
//    the percentage of the node's water that came from it, code = the
//    origin's id. Each is a trace run from that origin over the same
//    hydraulics.
// Times are hours from the simulation start.
#pragma once

#include <string>
#include <vector>

#include "model/model.hpp"
#include "results/results.hpp"

namespace orv::wq {

struct DataSet {
  std::string node, code, attr;
  std::vector<float> times, values;
};

// Largest number of values of one set: one per stored step.
int max_data_set_values(const Results &r);

// Origins whose share is traced (empty when fewer than two).
std::vector<int> traced_origins(const Model &m);

// The data sets of one node (none without quality results). Never throws for
// model content.
std::vector<DataSet> node_data_sets(const Model &m, const Results &r, int node);

// Sets prepared for one node, handed out one by one.
class DataSetCursor {
 public:
  int prepare(const Model &m, const Results &r, int node);  // returns the number of sets
  const DataSet *peek() const;  // the next set, nullptr when none is left
  const DataSet *next();        // takes the next set, nullptr when none is left
  void clear() { sets_.clear(); next_ = 0; }

 private:
  std::vector<DataSet> sets_;
  std::size_t next_ = 0;
};

}  // namespace orv::wq
