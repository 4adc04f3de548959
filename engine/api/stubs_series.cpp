// Simulation run and time series: answers of an engine without a model.
#include "api/boundary.hpp"

using namespace orv;
using namespace orv::api;

extern "C" {

int SolveH(void) { return code(Status::NoModel); }
int GetNbTimeSteps(void) { return 0; }
int GetNbValProfilResultat(void) { return 0; }
int GetDateMinMax(float *tmin, float *tmax) {
  put(tmin, 0.0f);
  put(tmax, 0.0f);
  return 0;
}
int TSValbyId(const int *, const char *, const char *, const int *, float *, float *, const float *,
              orv_len, orv_len) {
  return -code(Status::NoResults);
}
int NBTSDemand(const char *, int *nbval, orv_len) {
  put(nbval, 0);
  return code(Status::NoResults);
}
int NBTSDemandCZ(const char *, const char *, int *nbval, orv_len, orv_len) {
  put(nbval, 0);
  return code(Status::NoResults);
}
int TSDemand(const char *, const int *, float *, float *, int *mode, orv_len) {
  put(mode, 0);
  return -code(Status::NoResults);
}
int TSDemandCZ(const char *, const char *, const int *, float *, float *, int *mode, orv_len, orv_len) {
  put(mode, 0);
  return -code(Status::NoResults);
}
int NBTSDevice(const char *, const char *, int *nbval, orv_len, orv_len) {
  put(nbval, 0);
  return code(Status::NoResults);
}
int TSDevice(const char *, const char *, const int *, const float *, float *, float *, int *mode,
             orv_len, orv_len) {
  put(mode, 0);
  return -code(Status::NoResults);
}
int GetNbSimErrDevice(int *nbelt) {
  put(nbelt, 0);
  return 0;
}
int GetNextSimErrDevice(char *item, int *typelt, int *lnitem, orv_len litem) {
  text_out(item, litem, "");
  put(typelt, 0);
  put(lnitem, 0);
  return code(Status::UnknownName);
}

}  // extern "C"
