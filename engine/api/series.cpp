// Simulation run, time span, result series, demand and device series, and
// the walk over unstable devices.
#include <algorithm>
#include <cmath>

#include "api/boundary.hpp"
#include "attributes/values.hpp"
#include "session/simulation.hpp"
#include "session/time_series.hpp"

using namespace orv;
using namespace orv::api;

namespace {

// A missing, non-positive or NaN interval means the natural series.
double interval_of(const float *interval) {
  const float v = get(interval).value_or(0.0f);
  return v > 0.0f && std::isfinite(v) ? v : 0.0;
}

// A pump or valve by identifier.
int device_by_id(const Model &m, std::string_view id) {
  const int link = element_by_id(m, ElementType::Link, id);
  const LinkKind k = m.links[link].kind;
  if (k != LinkKind::Pump && !is_valve(k))
    fail(Status::UnknownName, "branch '" + std::string(id) + "' is not a pump or a valve");
  return link;
}

// A device attribute: a link result attribute, the status when blank.
const AttributeDef &device_attribute(std::string_view symbol) {
  const AttributeDef &def = attribute_for(symbol.empty() ? "S" : symbol, ElementType::Link);
  if (!def.needs_results)
    fail(Status::UnknownAttribute, "'" + std::string(def.symbol) + "' is not a device result");
  return def;
}

int demand_count(const char *scode, orv_len lscode, const std::string *zone, int *nbval) {
  put(nbval, 0);
  return guarded_status([&] {
    const Session &e = default_session();
    const std::string code(need_text(scode, lscode, "demand code"));
    const std::vector<float> values = demand_series(e, code, zone);
    put(nbval, static_cast<int>(values.size()));
  });
}

// The demand series, in hundredths of the display flow unit (callers scale
// by 0.01); mode 0: values at the result instants.
int demand_values(const char *scode, orv_len lscode, const std::string *zone, const int *nbval,
                  float *vec_tim, float *vec_val, int *mode) {
  put(mode, 0);
  return guarded_count([&] {
    const int room = need_room(nbval, {vec_tim, vec_val});
    const Session &e = default_session();
    std::vector<float> values = demand_series(e, std::string(need_text(scode, lscode, "demand code")), zone);
    for (float &v : values) v *= 100.0f;
    return deliver_series(e.results().times(), values, 0.0, room, vec_tim, vec_val);
  });
}

// Links of the unstable devices of the last run, each once, in order of
// first report.
std::vector<int> unstable_links(const SimulationRun &run) {
  std::vector<int> links;
  for (const UnstableDevice &d : run.unstable)
    if (d.link >= 0 && std::find(links.begin(), links.end(), d.link) == links.end())
      links.push_back(d.link);
  return links;
}

}  // namespace

extern "C" {

int SolveH(void) {
  return guarded_status([] { simulate(default_session()); });
}

int GetNbTimeSteps(void) {
  return guarded_count([] {
    const Session &e = default_session();
    return e.has_model() && e.has_results() ? static_cast<int>(e.results().step_count()) : 0;
  });
}

int GetNbValProfilResultat(void) { return GetNbTimeSteps(); }

int GetDateMinMax(float *tmin, float *tmax) {
  put(tmin, 0.0f);
  put(tmax, 0.0f);
  return guarded_count([&] {
    const Session &e = default_session();
    if (!e.has_model() || !e.has_results() || e.results().step_count() == 0) return 0;
    const auto &t = e.results().times();
    put(tmin, static_cast<float>(t.front() / 3600.0));
    put(tmax, static_cast<float>(t.back() / 3600.0));
    return static_cast<int>(t.size());
  });
}

int TSValbyId(const int *typelt, const char *sid, const char *sattr, const int *nbval,
              float *vec_tim, float *vec_val, const float *interval, orv_len lsid, orv_len lsattr) {
  return guarded_count([&] {
    const ElementType type = need_type(typelt);
    const int room = need_room(nbval, {vec_tim, vec_val});
    const Session &e = default_session();
    const int element = element_by_id(e.model(), type, need_text(sid, lsid, "identifier"));
    const AttributeDef &def = attribute_for(need_text(sattr, lsattr, "attribute"), type);
    const std::vector<float> values = element_series(e, def, type, element);
    return deliver_series(e.results().times(), values, interval_of(interval), room, vec_tim, vec_val);
  });
}

int NBTSDemand(const char *scode, int *nbval, orv_len lscode) {
  return demand_count(scode, lscode, nullptr, nbval);
}

int NBTSDemandCZ(const char *scode, const char *szone, int *nbval, orv_len lscode, orv_len lszone) {
  auto zone = text_in(szone, lszone);
  if (!zone) {
    put(nbval, 0);
    return code(Status::BadArgument);
  }
  const std::string name(*zone);
  return demand_count(scode, lscode, &name, nbval);
}

int TSDemand(const char *scode, const int *nbval, float *vec_tim, float *vec_val, int *mode,
             orv_len lscode) {
  return demand_values(scode, lscode, nullptr, nbval, vec_tim, vec_val, mode);
}

int TSDemandCZ(const char *scode, const char *szone, const int *nbval, float *vec_tim,
               float *vec_val, int *mode, orv_len lscode, orv_len lszone) {
  auto zone = text_in(szone, lszone);
  if (!zone) {
    put(mode, 0);
    return -code(Status::BadArgument);
  }
  const std::string name(*zone);
  return demand_values(scode, lscode, &name, nbval, vec_tim, vec_val, mode);
}

int NBTSDevice(const char *sid, const char *sattr, int *nbval, orv_len lsid, orv_len lsattr) {
  put(nbval, 0);
  return guarded_status([&] {
    const Session &e = default_session();
    device_by_id(e.model(), need_text(sid, lsid, "identifier"));
    device_attribute(need_text(sattr, lsattr, "attribute"));
    put(nbval, static_cast<int>(e.results().step_count()));
  });
}

// mode: 1 for a pump, 2 for a valve.
int TSDevice(const char *sid, const char *code_text, const int *nbval, const float *interval,
             float *vec_tim, float *vec_val, int *mode, orv_len lsid, orv_len lcode) {
  put(mode, 0);
  return guarded_count([&] {
    const int room = need_room(nbval, {vec_tim, vec_val});
    const Session &e = default_session();
    const Model &m = e.model();
    const int link = device_by_id(m, need_text(sid, lsid, "identifier"));
    const AttributeDef &def = device_attribute(need_text(code_text, lcode, "attribute"));
    const std::vector<float> values = element_series(e, def, ElementType::Link, link);
    const int n = deliver_series(e.results().times(), values, interval_of(interval), room, vec_tim, vec_val);
    put(mode, m.links[link].kind == LinkKind::Pump ? 1 : 2);
    return n;
  });
}

int GetNbSimErrDevice(int *nbelt) {
  put(nbelt, 0);
  return guarded_status([&] {
    Session &e = default_session();
    const std::vector<int> unstable = unstable_links(e.run());
    e.unstable_walk() = 0;
    put(nbelt, static_cast<int>(unstable.size()));
  });
}

int GetNextSimErrDevice(char *item, int *typelt, int *lnitem, orv_len litem) {
  text_out(item, litem, "");
  put(typelt, 0);
  put(lnitem, 0);
  return guarded_status([&] {
    Session &e = default_session();
    const std::vector<int> unstable = unstable_links(e.run());
    std::size_t &pos = e.unstable_walk();
    if (pos >= unstable.size()) fail(Status::UnknownName, "no more unstable devices");
    const int link = unstable[pos++];
    put(lnitem, text_out(item, litem, e.model().links[static_cast<std::size_t>(link)].id));
    put(typelt, static_cast<int>(ElementType::Link));
  });
}

}  // extern "C"
