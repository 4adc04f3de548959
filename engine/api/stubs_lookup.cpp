// Element lookup and attributes: answers of an engine without a model.
#include <cmath>

#include "api/boundary.hpp"

using namespace orv;
using namespace orv::api;

namespace {
const float kNoValue = std::nanf("");
}

extern "C" {

int GetNbObjects(const int *typelt) { return typelt ? 0 : -code(Status::BadArgument); }
int GetElementIndex(const int *, const char *, int *num, orv_len) {
  put(num, 0);
  return code(Status::NoModel);
}
int GetIdElem(const int *, const int *, char *sid, orv_len lsid) {
  text_out(sid, lsid, "");
  return 0;
}
float NodeValbyID(const char *, const char *, orv_len, orv_len) { return kNoValue; }
int GetIndexAttr(const char *, orv_len) { return 0; }
int GetNodeAttr(const int *, const int16_t *, float *) { return code(Status::NoModel); }
int NodePosbyID(const char *, double *, double *, float *, float *, orv_len) {
  return code(Status::NoModel);
}
float LinkValbyID(const char *, const char *, orv_len, orv_len) { return kNoValue; }
int GetLinkAttr(const int *, const int16_t *, float *) { return code(Status::NoModel); }
float MeanValbyID(const char *, const char *, orv_len, orv_len) { return kNoValue; }
float TankValbyID(const char *, const char *, orv_len, orv_len) { return kNoValue; }
int GetTankAttr(const int *, const int16_t *, float *) { return code(Status::NoModel); }
int StrAttrbyID(const int *, const char *, const char *, char *str, orv_len, orv_len, orv_len lstr) {
  text_out(str, lstr, "");
  return 0;
}
int StrAttrbyNum(const int *, const int *, const char *, char *str, orv_len, orv_len lstr) {
  text_out(str, lstr, "");
  return 0;
}
int cGetLinkNodes(const int *, int *ni, int *nf) {
  put(ni, 0);
  put(nf, 0);
  return code(Status::NoModel);
}
int GetUnitName(const char *, char *att_name, int *len_name, orv_len, orv_len lname) {
  text_out(att_name, lname, "");
  put(len_name, 0);
  return code(Status::UnknownAttribute);
}
float GetUnitCoef(const char *, orv_len) { return 0.0f; }
int SetBranchAttr(const int *, const int16_t *, const float *) { return code(Status::NoModel); }
int SetNodeAttr(const int *, const int16_t *, const float *) { return code(Status::NoModel); }
int GetSymmetricNodeID(const char *, char *sids, orv_len, orv_len lsids) {
  text_out(sids, lsids, "");
  return code(Status::NoModel);
}
int GetDistLink(const char *, const double *, const double *, double *, double *, double *,
                int *status, orv_len) {
  put(status, code(Status::NoModel));
  return code(Status::NoModel);
}
int SelectLen(const char *, int *nbelt, int *typelt, orv_len) {
  put(nbelt, 0);
  put(typelt, 0);
  return code(Status::UnknownName);
}
int Selection(const int *, int *) { return 0; }

// Network-wide vectors and branch geometry.
int cGetAll(const int *, const char *, const int *, float *, orv_len) {
  return -code(Status::NoModel);
}
int cGetAllMinMax(const int *, const char *, const int *, float *, float *, float *, float *,
                  float *, orv_len) {
  return -code(Status::NoModel);
}
int GetNbCoudes(const int *) { return -1; }
int LinkXYZV(const char *, const char *, const int *, double *, double *, float *, float *, orv_len,
             orv_len) {
  return -code(Status::NoModel);
}
int LinkBBox(const char *, double *, double *, double *, double *, orv_len) {
  return code(Status::NoModel);
}
int LinkXYZDV(const char *, const char *, const int *, double *, double *, float *, float *,
              orv_len, orv_len) {
  return -code(Status::NoModel);
}

}  // extern "C"
