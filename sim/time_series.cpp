// Running the hydraulic simulation and reading its time series: result,
// measured, demand and device series with their lengths and time span.
#include <cmath>
#include <cstdint>

#include "routines.hpp"

namespace sim {
namespace {

// Rounds an instant to whole hundredths in 4-byte arithmetic: t * 100 rounded
// to a float, halves away from zero, then times 0.01 (not divided by 100).
// From 2^23 on every float is whole, so the product is scaled back as it is;
// this also keeps NaN, infinities and products beyond the 32-bit range out of
// the integer conversion.
float hundredths(float t) {
  const float p = t * 100.0f;
  if (!(std::fabs(p) < 8388608.0f)) return p * 0.01f;
  const auto k = static_cast<int32_t>(std::round(p));
  return static_cast<float>(k) * 0.01f;
}

// The sampling interval the engine sees: the caller's if positive, else 0.0
// (zero, negatives, -0.0 and NaN alike).
float interval_copy(float fixed_interval) { return fixed_interval > 0.0f ? fixed_interval : 0.0f; }

// Demand values come from the engine in hundredths of the script's unit. The
// whole requested length is scaled, whatever the engine delivered.
void scale_demand(int32_t nbval, Array<float> vec_val) {
  for (int64_t k = 0; k < nbval && k < vec_val.size; ++k) vec_val.p[k] *= 0.01f;
}

// Result and measured series share their arguments; only the entry point differs.
constexpr const char *series_declarations =
    "typelt:i sid:s sattr:s nbval:i vec_tim:f(nbval) vec_val:f(nbval) vec_len:i fixed_interval:f=0";
template <auto Entry>
constexpr auto series_body = [](int32_t &typelt, Text sid, Text sattr, int32_t &nbval,
                                Array<float> vec_tim, Array<float> vec_val, int32_t &vec_len,
                                float &fixed_interval) {
  const float interval = interval_copy(fixed_interval);
  vec_len = Entry(&typelt, sid.p, sattr.p, &nbval, vec_tim.p, vec_val.p, &interval, sid.n, sattr.n);
};

const frame::RoutineDef table[] = {
    // Simulation run, counts and time span
    routine("istat = simulh()", "istat:i", [](int32_t &istat) { istat = SolveH(); }),
    routine("nbhs = hstepcount()", "nbhs:i", [](int32_t &nbhs) { nbhs = GetNbTimeSteps(); }),
    routine("nbval = tslen()", "nbval:i", [](int32_t &nbval) { nbval = GetNbValProfilResultat(); }),
    routine("tmin,tmax,nbval = tsinterv()", "tmin:f tmax:f nbval:i",
            [](float &tmin, float &tmax, int32_t &nbval) {
              nbval = GetDateMinMax(&tmin, &tmax);
              tmin = hundredths(tmin);
              tmax = hundredths(tmax);
            }),
    routine("nbval,tmax = wqtsinfo(typelt)", "typelt:i nbval:i tmax:f",
            [](int32_t &typelt, int32_t &nbval, float &tmax) {
              float t = 0.0f;
              nbval = GetWQTSInfo(&typelt, &t);
              tmax = hundredths(t);
            }),

    // Result and measured series
    routine("vec_tim,vec_val,vec_len = ts(typelt,sid,sattr,nbval,[fixed_interval])", series_declarations,
            series_body<TSValbyId>),
    routine("nbval = mslen(typelt,sid,sattr)", "typelt:i sid:s sattr:s nbval:i",
            [](int32_t &typelt, Text sid, Text sattr, int32_t &nbval) {
              nbval = NbMesbyId(&typelt, sid.p, sattr.p, sid.n, sattr.n);
            }),
    routine("vec_tim,vec_val,vec_len = ms(typelt,sid,sattr,nbval,[fixed_interval])", series_declarations,
            series_body<TSMesbyId>),

    // Demand series, by code and optionally within a zone
    routine("nbval = demand_tslen(scode)", "scode:s nbval:i",
            [](Text scode, int32_t &nbval) { NBTSDemand(scode.p, &nbval, scode.n); }),
    routine("nbval = demandcz_tslen(scode,szone)", "scode:s szone:s nbval:i",
            [](Text scode, Text szone, int32_t &nbval) {
              NBTSDemandCZ(scode.p, szone.p, &nbval, scode.n, szone.n);
            }),
    routine("vec_tim,vec_val,vec_len,mode = demand_ts(scode,nbval)",
            "scode:s nbval:i vec_tim:f(nbval) vec_val:f(nbval) vec_len:i mode:i",
            [](Text scode, int32_t &nbval, Array<float> vec_tim, Array<float> vec_val,
               int32_t &vec_len, int32_t &mode) {
              const int32_t requested = nbval;
              vec_len = TSDemand(scode.p, &nbval, vec_tim.p, vec_val.p, &mode, scode.n);
              scale_demand(requested, vec_val);
            }),
    routine("vec_tim,vec_val,vec_len,mode = demandcz_ts(scode,szone,nbval)",
            "scode:s szone:s nbval:i vec_tim:f(nbval) vec_val:f(nbval) vec_len:i mode:i",
            [](Text scode, Text szone, int32_t &nbval, Array<float> vec_tim, Array<float> vec_val,
               int32_t &vec_len, int32_t &mode) {
              const int32_t requested = nbval;
              vec_len = TSDemandCZ(scode.p, szone.p, &nbval, vec_tim.p, vec_val.p, &mode, scode.n,
                                   szone.n);
              scale_demand(requested, vec_val);
            }),

    // Device series; the engine takes the attribute second in both calls
    routine("nbval = device_tslen(sid,[sattr])", "sid:s nbval:i sattr:s=''",
            [](Text sid, int32_t &nbval, Text sattr) {
              NBTSDevice(sid.p, sattr.p, &nbval, sid.n, sattr.n);
            }),
    routine("vec_tim,vec_val,vec_len,mode = device_ts(sid,nbval,[fixed_interval,sattr])",
            "sid:s nbval:i vec_tim:f(nbval) vec_val:f(nbval) vec_len:i mode:i fixed_interval:f=0 "
            "sattr:s=''",
            [](Text sid, int32_t &nbval, Array<float> vec_tim, Array<float> vec_val,
               int32_t &vec_len, int32_t &mode, float &fixed_interval, Text sattr) {
              // The device attribute code is always 4 characters, blank padded.
              char code[4] = {' ', ' ', ' ', ' '};
              for (int64_t k = 0; k < 4 && k < sattr.n; ++k) code[k] = sattr.p[k];
              const float interval = interval_copy(fixed_interval);
              vec_len = TSDevice(sid.p, code, &nbval, &interval, vec_tim.p, vec_val.p, &mode,
                                 sid.n, 4);
            }),
};

}  // namespace

std::span<const frame::RoutineDef> time_series_routines() { return table; }

}  // namespace sim
