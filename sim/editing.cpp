// Editing the loaded model: the density table and SHL entries. Older engines
// lack these entry points, so each routine is gated on the engine version.
#include "routines.hpp"

namespace sim {
namespace {

constexpr int32_t editing_gate = 20150527;
constexpr int32_t shl_table_gate = 20150610;

const frame::RoutineDef table[] = {
    routine("istat = setdensity(tval,dval,[nbval])",
            "tval:f(nbval) nbval:i=len(tval) ?len(tval)>=nbval dval:f(nbval) istat:i",
            [](Array<float> tval, int32_t &nbval, Array<float> dval, int32_t &istat) {
              istat = 1;
              if (gate_open(editing_gate)) istat = cSetDensity(&nbval, tval.p, dval.p);
            }),
    routine("istat = addshlentry(shlid,shl,comment)", "shlid:s comment:s shl:f(2) istat:i",
            [](Text shlid, Text comment, Array<float> shl, int32_t &istat) {
              if (gate_open(shl_table_gate))
                cSHLTableEntry(shlid.p, shl.p, comment.p, &istat, shlid.n, comment.n);
            }),
    routine("addsingleshl(sid,shlid,shl)", "sid:s shlid:s shl:i",
            [](Text sid, Text shlid, int32_t &shl) {
              if (gate_open(editing_gate)) cAddSHL(sid.p, shlid.p, &shl, sid.n, shlid.n);
            }),
    routine("updatesingleshl(sid,shlid,shl)", "sid:s shlid:s shl:i",
            [](Text sid, Text shlid, int32_t &shl) {
              if (gate_open(editing_gate)) cModSHL(sid.p, shlid.p, &shl, sid.n, shlid.n);
            }),
    routine("removeshl(sid,shlid)", "sid:s shlid:s",
            [](Text sid, Text shlid) {
              if (gate_open(editing_gate)) cClearSHL(sid.p, shlid.p, sid.n, shlid.n);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> editing_routines() { return table; }

}  // namespace sim
