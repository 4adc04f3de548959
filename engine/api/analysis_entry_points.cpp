// Measurements, demand codes, tables, calibration, statistics, shear stress,
// density and SHL entries.
// Safe "no data" answers until the analysis features are wired.
#include "api/boundary.hpp"

using namespace orv;
using namespace orv::api;

namespace {
const int kNotAvailable = code(Status::NotAvailable);
}

extern "C" {

int NbMesbyId(const int *, const char *, const char *, orv_len, orv_len) { return 0; }
int TSMesbyId(const int *, const char *, const char *, const int *, float *, float *, const float *,
              orv_len, orv_len) {
  return 0;
}
int CSNodebyID(const char *, const char *, float *csm, orv_len, orv_len) {
  put(csm, 0.0f);
  return kNotAvailable;
}
int GetNbCsmPair(const char *, int *nb, int *szcod, orv_len) {
  put(nb, 0);
  put(szcod, 0);
  return kNotAvailable;
}
int GetNextCsmPair(char *scode, float *csm, int *length, orv_len lscode) {
  text_out(scode, lscode, "");
  put(csm, 0.0f);
  put(length, 0);
  return kNotAvailable;
}
int GetUsedCodes(const int *, int *nbc) {
  put(nbc, 0);
  return kNotAvailable;
}
int GetNextCodeCSMNodeCount(char *code_text, float *demand, int *nodecount, int *lncode,
                            orv_len lcode) {
  text_out(code_text, lcode, "");
  put(demand, 0.0f);
  put(nodecount, 0);
  put(lncode, 0);
  return kNotAvailable;
}
int GetNbTableEntry(const char *, const int *, int *nbc, orv_len) {
  put(nbc, 0);
  return kNotAvailable;
}
int GetNextTableEntry(char *item, int *ncount, int *lnitem, orv_len litem) {
  text_out(item, litem, "");
  put(ncount, 0);
  put(lnitem, 0);
  return kNotAvailable;
}
int cSetIndCal(const float *, const float *, const float *) { return kNotAvailable; }
int GetIndCal(const int *, const char *, float *val, int *ival, orv_len) {
  put(val, 0.0f);
  put(ival, 0);
  return kNotAvailable;
}
int Kalibra_Summary(int *iter, int *iter100, float *fobjmin, float *fobj100, float *fobj0,
                    float *flambda) {
  put(iter, 0);
  put(iter100, 0);
  put(fobjmin, 0.0f);
  put(fobj100, 0.0f);
  put(fobj0, 0.0f);
  put(flambda, 0.0f);
  return kNotAvailable;
}
int cQuantiles(const int *, const char *, const int *, const float *, const int *, const int *,
               float *, orv_len) {
  return kNotAvailable;
}
int cSQuantiles(const char *, const char *, const int *, const float *, const int *, float *,
                orv_len, orv_len) {
  return kNotAvailable;
}
int cDuree_Cumulee(const int *, const char *, const char *, const float *, const int *, const int *,
                   float *, orv_len, orv_len) {
  return kNotAvailable;
}
int cSDuree_Cumulee(const char *, const char *, const char *, const float *, const int *, float *,
                    orv_len, orv_len, orv_len) {
  return kNotAvailable;
}
int cShearStr(const char *sid, const float *, float *s, float *ds) {
  put(s, 0.0f);
  put(ds, 0.0f);
  if (!text_until_nul(sid, kMaxTerminatedText)) return code(Status::BadArgument);
  return kNotAvailable;
}
int cSetDensity(const int *, const float *, const float *) { return kNotAvailable; }
int cSHLTableEntry(const char *, const float *, const char *, int *istat, orv_len, orv_len) {
  put(istat, kNotAvailable);
  return kNotAvailable;
}
int cAddSHL(const char *, const char *, const int *, orv_len, orv_len) { return kNotAvailable; }
int cModSHL(const char *, const char *, const int *, orv_len, orv_len) { return kNotAvailable; }
int cClearSHL(const char *, const char *, orv_len, orv_len) { return kNotAvailable; }

}  // extern "C"
