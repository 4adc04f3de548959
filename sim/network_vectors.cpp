// Network-wide result vectors and the polyline of one branch.
#include <cstdint>

#include "routines.hpp"

namespace sim {
namespace {

constexpr int32_t kBranchType = 1;

const frame::RoutineDef table[] = {
    routine("vect = getall(typelt,attr,nbval)", "typelt:i attr:s nbval:i vect:f(nbval)",
            [](int32_t &typelt, Text attr, int32_t &nbval, Array<float> vect) {
              cGetAll(&typelt, attr.p, &nbval, vect.p, attr.n);
            }),
    // The arrays are made in the engine's order (each instant before its value,
    // the mean last) and returned values first.
    routine("vmin,vmax,vmoy,tmin,tmax = getallminmax(typelt,attr,nbval)",
            "typelt:i attr:s nbval:i tmin:f(nbval) vmin:f(nbval) tmax:f(nbval) vmax:f(nbval) "
            "vmoy:f(nbval)",
            [](int32_t &typelt, Text attr, int32_t &nbval, Array<float> tmin, Array<float> vmin,
               Array<float> tmax, Array<float> vmax, Array<float> vmoy) {
              cGetAllMinMax(&typelt, attr.p, &nbval, tmin.p, vmin.p, tmax.p, vmax.p, vmoy.p, attr.n);
            }),
    // Points of a branch: its two ends plus its bends; 0 for an unknown branch.
    routine("nbval = branchxylen(sid)", "sid:s nbval:i",
            [](Text sid, int32_t &nbval) {
              int32_t type = kBranchType, index = 0;
              GetElementIndex(&type, sid.p, &index, sid.n);
              if (index <= 0) return;
              nbval = static_cast<int16_t>(GetNbCoudes(&index)) + 2;
            }),
    routine("xb,yb,zb,vb,nbpts = branchxyzv(sid,attr,nbval)",
            "sid:s attr:s nbval:i xb:d(nbval) yb:d(nbval) zb:f(nbval) vb:f(nbval) nbpts:i",
            [](Text sid, Text attr, int32_t &nbval, Array<double> xb, Array<double> yb,
               Array<float> zb, Array<float> vb, int32_t &nbpts) {
              nbpts = LinkXYZV(sid.p, attr.p, &nbval, xb.p, yb.p, zb.p, vb.p, sid.n, attr.n);
            }),
    routine("xmin,xmax,ymin,ymax,iret = bbox(sid)", "sid:s xmin:d xmax:d ymin:d ymax:d iret:i",
            [](Text sid, double &xmin, double &xmax, double &ymin, double &ymax, int32_t &iret) {
              iret = LinkBBox(sid.p, &xmin, &xmax, &ymin, &ymax, sid.n);
            }),
    routine("xb,yb,zb,vb,nbpts = branchxyzdv(sid,attr,nbval)",
            "sid:s attr:s nbval:i xb:d(nbval) yb:d(nbval) zb:f(nbval) vb:f(nbval) nbpts:i",
            [](Text sid, Text attr, int32_t &nbval, Array<double> xb, Array<double> yb,
               Array<float> zb, Array<float> vb, int32_t &nbpts) {
              nbpts = LinkXYZDV(sid.p, attr.p, &nbval, xb.p, yb.p, zb.p, vb.p, sid.n, attr.n);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> network_vector_routines() { return table; }

}  // namespace sim
