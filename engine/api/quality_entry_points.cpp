// Water-quality series and data sets.
// Safe "no data" answers until the quality data sets are wired.
#include "api/boundary.hpp"

using namespace orv;
using namespace orv::api;

namespace {
const int kNotAvailable = code(Status::NotAvailable);
}

extern "C" {

int GetWQTSInfo(const int *, float *tmax) {
  put(tmax, 0.0f);
  return 0;
}
int GetNBMaxWQcomp(void) { return 0; }
int GetWQDataInit(const char *, int *nvec, orv_len) {
  put(nvec, 0);
  return 0;
}
int GetWQData(const int *, int *nvec, float *, float *, char *snode, char *scode, char *attr,
              int *lnod, int *lcod, orv_len lsnode, orv_len lscode, orv_len lattr) {
  put(nvec, 0);
  text_out(snode, lsnode, "");
  text_out(scode, lscode, "");
  text_out(attr, lattr, "");
  put(lnod, 0);
  put(lcod, 0);
  return kNotAvailable;
}

}  // extern "C"
