// Tables of element categories with their counts, for the table walk.
//
// Table (any case)     type  entries                              count
// CODE                 2     demand codes ("" for no category)    nodes with a demand of the code
// ZONE                 2     zones                                nodes of the zone
// MATERIAL             1     link tags (the material)             links with the tag
// TAG                  1, 2  tags of links or nodes               elements with the tag
// ROUGHNESS            1     pipe roughness values (display)      pipes with the value
// DIAMETER             1     pipe and valve diameters (display)   links with the value
// KIND                 1,2,3 PIPE, CVPIPE, PUMP, PRV... / JUNCTION, RESERVOIR, TANK
//                                                                 elements of the kind
// SELECTION            0-3   selections (of that type; 0 all)     members
// SHL                  1     SHL entries                          links it is attached to
// Type 0 stands for the table's first type. Values are written with up to six
// significant digits; elements without a tag are not counted. Entries come in
// name order, numbers in increasing value.
#pragma once

#include <string_view>
#include <vector>

#include "analysis/analysis_state.hpp"

namespace orv::analysis {

// Throws Failure(UnknownName) for an unknown table, Failure(BadArgument) for a
// type the table does not have.
std::vector<NamedCount> category_table(const Session &e, const AnalysisState &s, std::string_view table,
                                       int type_code);

}  // namespace orv::analysis
