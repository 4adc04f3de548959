// _pyorvsim: module definition, registration order and the variable group.
#include <Python.h>

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "routines.hpp"

namespace {

constexpr std::array<std::string_view, 83> registration_order = {
    "inimel", "inimelfld", "closemel", "batchmode", "cwfold", "addcmd", "gencmd", "keyword",
    "modulekeyword", "attrkeyword", "commit", "cmd", "cmdfile", "nbobjects", "geteltindex",
    "nodeattr", "nnodeattr", "nodexyz", "branchattr", "nlinkattr", "nodemeanattr", "rsvattr",
    "ntankattr", "getid", "strattr", "nstrattr", "getselectlen", "getselect", "branchxylen",
    "branchxyzv", "bbox", "branchxyzdv", "simulh", "tslen", "tsinterv", "wqtsinfo", "ts", "mslen",
    "ms", "demand_tslen", "demandcz_tslen", "demand_ts", "demandcz_ts", "device_tslen",
    "device_ts", "defcalind", "getcalind", "getvar", "getunit", "getunitval", "getall",
    "getallminmax", "extrnodes", "getdemandnodebycode", "getcodedemandinit", "nextcodedemand",
    "refdate", "savefile", "setdensity", "addshlentry", "addsingleshl", "updatesingleshl",
    "removeshl", "setbranchattrbyid", "setnodeattrbyid", "getcodescount",
    "nextcodecsmnodecount", "hstepcount", "tablecount", "nexttableentry", "unstablecount",
    "nextunstableentry", "inv_summary", "symmetric_node", "distlink", "wqcompmaxcount",
    "stat_quantiles", "stat_squantiles", "stat_duration", "stat_sduration", "shearstr",
    "wqdatainit", "wqdata"};

// The routine name of a signature line: the word before "(", after " = ".
std::string_view routine_name(const char *signature) {
  std::string_view s(signature);
  std::size_t open = s.find('(');
  std::size_t eq = s.rfind(" = ", open);
  std::size_t start = eq == std::string_view::npos ? 0 : eq + 3;
  return s.substr(start, open - start);
}

std::vector<frame::RoutineDef> ordered_routines() {
  std::vector<frame::RoutineDef> all;
  for (auto table : {sim::open_command_routines(), sim::lookup_attribute_routines(),
                     sim::network_vector_routines(), sim::time_series_routines(),
                     sim::walk_routines(), sim::analysis_routines(), sim::editing_routines()})
    all.insert(all.end(), table.begin(), table.end());
  std::vector<frame::RoutineDef> ordered;
  for (std::string_view name : registration_order)
    for (const auto &r : all)
      if (routine_name(r.signature) == name) ordered.push_back(r);
  return ordered;
}

const int32_t sz_sid = 18;
const int32_t sz_lid = 48;

}  // namespace

PyMODINIT_FUNC PyInit__pyorvsim(void) {
  static const std::vector<frame::RoutineDef> routines = ordered_routines();
  if (routines.size() != registration_order.size()) {
    PyErr_Format(PyExc_ImportError, "_pyorvsim defines %zu of its %zu routines", routines.size(),
                 registration_order.size());
    return nullptr;
  }
  static const frame::VariableDef variables[] = {
      {"vers_orvdll", &sim::vers_orvdll, false},
      {"sz_sid", const_cast<int32_t *>(&sz_sid), true},
      {"sz_lid", const_cast<int32_t *>(&sz_lid), true},
  };
  static const frame::ModuleDef def{"_pyorvsim", routines, "pyorvsim", variables};
  return frame::init_module(def);
}
