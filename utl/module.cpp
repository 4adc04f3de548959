// _pyorvutl: the planar geometry routines.
#include <Python.h>

#include "frame.hpp"
#include "geometry.hpp"

namespace {

using frame::Array;
using frame::routine;

const frame::RoutineDef routines[] = {
    routine("d = dist(x1,y1,x2,y2)", "x1:d y1:d x2:d y2:d d:d",
            [](double &x1, double &y1, double &x2, double &y2, double &d) {
              d = utl::dist(x1, y1, x2, y2);
            }),
    routine("d,s,l = dist_p_seg(xp,yp,x1,y1,x2,y2)", "xp:d yp:d x1:d y1:d x2:d y2:d d:d s:d l:d",
            [](double &xp, double &yp, double &x1, double &y1, double &x2, double &y2, double &d,
               double &s, double &l) {
              auto r = utl::dist_p_seg(xp, yp, x1, y1, x2, y2);
              d = r.d, s = r.s, l = r.l;
            }),
    // Empty polylines and nb beyond xpoly are refused before any vertex is read.
    routine("ds,s1,s2 = dist_to_poly(xn,yn,xpoly,ypoly,[nb])",
            "xn:d yn:d xpoly:d(nb) ?len(xpoly)>=1 nb:i=len(xpoly) ?len(xpoly)>=nb ypoly:d(nb) "
            "?len(ypoly)>=1 ds:d s1:d s2:d",
            [](double &xn, double &yn, Array<double> xpoly, int32_t &nb, Array<double> ypoly,
               double &ds, double &s1, double &s2) {
              auto r = utl::dist_to_poly(xn, yn, xpoly.p, ypoly.p, nb);
              ds = r.ds, s1 = r.s1, s2 = r.s2;
            }),
    routine("ksplit,xsplit,ysplit,totlen = split_poly_at(xpoly,ypoly,split,[nb])",
            "xpoly:d(nb) ?len(xpoly)>=1 split:d nb:i=len(xpoly) ?len(xpoly)>=nb ypoly:d(nb) "
            "?len(ypoly)>=1 ksplit:i xsplit:d ysplit:d totlen:d",
            [](Array<double> xpoly, double &split, int32_t &nb, Array<double> ypoly,
               int32_t &ksplit, double &xsplit, double &ysplit, double &totlen) {
              auto r = utl::split_poly_at(xpoly.p, ypoly.p, split, nb);
              ksplit = r.ksplit, xsplit = r.xsplit, ysplit = r.ysplit, totlen = r.totlen;
            }),
};

}  // namespace

PyMODINIT_FUNC PyInit__pyorvutl(void) {
  static const frame::ModuleDef def{"_pyorvutl", routines, nullptr, {}};
  return frame::init_module(def);
}
