// Demand codes of a node, count-and-next walks over demand codes, table
// entries and unstable elements. The engine holds the position of every walk;
// the item texts are 18-character buffers handed over with the constant 18.
#include "routines.hpp"

namespace sim {
namespace {

// Engines older than this lack the node-demand entry points.
constexpr int32_t node_demand_gate = 20140617;
constexpr int64_t item_len = 18;

const frame::RoutineDef table[] = {
    routine("csm,istat = getdemandnodebycode(sid,scode)", "sid:s scode:s csm:f istat:i",
            [](Text sid, Text scode, float &csm, int32_t &istat) {
              csm = 0.0f;
              istat = 3;  // "not available" when the gate is closed
              if (gate_open(node_demand_gate))
                istat = CSNodebyID(sid.p, scode.p, &csm, sid.n, scode.n);
            }),
    routine("nb,szcod = getcodedemandinit(sid)", "sid:s nb:i szcod:i",
            [](Text sid, int32_t &nb, int32_t &szcod) {
              nb = -1;
              if (gate_open(node_demand_gate)) GetNbCsmPair(sid.p, &nb, &szcod, sid.n);
            }),
    routine("scode,csm,length = nextcodedemand()", "scode:s18 csm:f length:i",
            [](Text scode, float &csm, int32_t &length) {
              length = 0;
              csm = 0.0f;
              if (gate_open(node_demand_gate)) GetNextCsmPair(scode.p, &csm, &length, item_len);
            }),
    routine("nbc = getcodescount(used_only)", "used_only:l nbc:i",
            [](int32_t &used_only, int32_t &nbc) { GetUsedCodes(&used_only, &nbc); }),
    routine("code,demand,nodecount,lncode = nextcodecsmnodecount()",
            "code:s18 demand:f nodecount:i lncode:i",
            [](Text code, float &demand, int32_t &nodecount, int32_t &lncode) {
              GetNextCodeCSMNodeCount(code.p, &demand, &nodecount, &lncode, item_len);
            }),
    routine("nbc = tablecount(table,ityp)", "table:s ityp:i nbc:i",
            [](Text name, int32_t &ityp, int32_t &nbc) {
              GetNbTableEntry(name.p, &ityp, &nbc, name.n);
            }),
    routine("item,ncount,lnitem = nexttableentry()", "item:s18 ncount:i lnitem:i",
            [](Text item, int32_t &ncount, int32_t &lnitem) {
              GetNextTableEntry(item.p, &ncount, &lnitem, item_len);
            }),
    routine("nbelt = unstablecount()", "nbelt:i",
            [](int32_t &nbelt) { GetNbSimErrDevice(&nbelt); }),
    routine("item,typelt,lnitem = nextunstableentry()", "item:s18 typelt:i lnitem:i",
            [](Text item, int32_t &typelt, int32_t &lnitem) {
              GetNextSimErrDevice(item.p, &typelt, &lnitem, item_len);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> walk_routines() { return table; }

}  // namespace sim
