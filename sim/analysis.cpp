// Calibration indicators, quantile and cumulated-duration statistics, shear
// stress and water-quality data sets. Several engine entry points take their
// arguments in another order than the Python signature: the calls below give
// the engine's order.
#include <cmath>

#include "routines.hpp"

namespace sim {
namespace {

const frame::RoutineDef table[] = {
    routine("defcalind(seuilb,seuiln,seuilr)", "seuilb:f seuiln:f seuilr:f",
            [](float &seuilb, float &seuiln, float &seuilr) { cSetIndCal(&seuilb, &seuiln, &seuilr); }),
    routine("val,ival = getcalind(typelt,sid)", "typelt:i sid:s val:f ival:i",
            [](int32_t &typelt, Text sid, float &val, int32_t &ival) {
              GetIndCal(&typelt, sid.p, &val, &ival, sid.n);
            }),
    routine("iter,iter100,fobjmin,fobj100,fobj0,flambda = inv_summary()",
            "iter:i iter100:i fobjmin:f fobj100:f fobj0:f flambda:f",
            [](int32_t &iter, int32_t &iter100, float &fobjmin, float &fobj100, float &fobj0,
               float &flambda) { Kalibra_Summary(&iter, &iter100, &fobjmin, &fobj100, &fobj0, &flambda); }),
    // The engine reads lres indices from bufres and nqtl levels from qtl: the
    // checks refuse counts beyond the arrays given.
    routine("tabres = stat_quantiles(typres,sattr,qtl,bufres,[lres,nqtl])",
            "typres:i sattr:s qtl:f(nqtl) bufres:i(lres) nqtl:i=len(qtl) ?len(qtl)>=nqtl "
            "lres:i=len(bufres) ?len(bufres)>=lres tabres:f(lres,nqtl)",
            [](int32_t &typres, Text sattr, Array<float> qtl, Array<int32_t> bufres, int32_t &nqtl,
               int32_t &lres, Array<float> tabres) {
              cQuantiles(&typres, sattr.p, &nqtl, qtl.p, &lres, bufres.p, tabres.p, sattr.n);
            }),
    routine("tabres = stat_squantiles(sel,sattr,lres,qtl,[nqtl])",
            "sel:s sattr:s lres:i qtl:f(nqtl) nqtl:i=len(qtl) ?len(qtl)>=nqtl tabres:f(lres,nqtl)",
            [](Text sel, Text sattr, int32_t &lres, Array<float> qtl, int32_t &nqtl,
               Array<float> tabres) {
              cSQuantiles(sel.p, sattr.p, &nqtl, qtl.p, &lres, tabres.p, sel.n, sattr.n);
            }),
    routine("tabres = stat_duration(typres,sattr,sop,seuil,bufres,[lres])",
            "typres:i sattr:s sop:s seuil:f bufres:i(lres) lres:i=len(bufres) "
            "?len(bufres)>=lres tabres:f(lres)",
            [](int32_t &typres, Text sattr, Text sop, float &seuil, Array<int32_t> bufres,
               int32_t &lres, Array<float> tabres) {
              cDuree_Cumulee(&typres, sattr.p, sop.p, &seuil, &lres, bufres.p, tabres.p, sattr.n,
                             sop.n);
            }),
    routine("tabres = stat_sduration(sel,sattr,sop,seuil,lres)",
            "sel:s sattr:s sop:s seuil:f lres:i tabres:f(lres)",
            [](Text sel, Text sattr, Text sop, float &seuil, int32_t &lres, Array<float> tabres) {
              cSDuree_Cumulee(sel.p, sattr.p, sop.p, &seuil, &lres, tabres.p, sel.n, sattr.n, sop.n);
            }),
    // The engine expects a non-negative velocity; v itself stays as converted.
    // The identifier goes without a length: the engine reads it up to its NUL.
    routine("s,ds = shearstr(sid,v)", "sid:s v:f s:f ds:f",
            [](Text sid, float &v, float &s, float &ds) {
              const float speed = std::fabs(v);
              cShearStr(sid.p, &speed, &s, &ds);
            }),
    routine("nval = wqcompmaxcount()", "nval:i", [](int32_t &nval) { nval = GetNBMaxWQcomp(); }),
    // A failed preparation announces no data set, whatever count was written.
    routine("nvec = wqdatainit(snode)", "snode:s nvec:i",
            [](Text snode, int32_t &nvec) {
              nvec = 0;
              if (GetWQDataInit(snode.p, &nvec, snode.n) < 0) nvec = 0;
            }),
    routine("iret,nvec,tvec,cvec,snode,scode,attr,lnod,lcod = wqdata(nvecx)",
            "nvecx:i snode:s18 scode:s18 attr:s2 tvec:f(nvecx) cvec:f(nvecx) iret:i nvec:i "
            "lnod:i lcod:i",
            [](int32_t &nvecx, Text snode, Text scode, Text attr, Array<float> tvec,
               Array<float> cvec, int32_t &iret, int32_t &nvec, int32_t &lnod, int32_t &lcod) {
              iret = GetWQData(&nvecx, &nvec, tvec.p, cvec.p, snode.p, scode.p, attr.p, &lnod,
                               &lcod, 18, 18, 2);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> analysis_routines() { return table; }

}  // namespace sim
