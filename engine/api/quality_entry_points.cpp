// Water-quality series and data sets (docs/quality.md).
#include <algorithm>

#include "api/boundary.hpp"
#include "attributes/values.hpp"
#include "session/session.hpp"
#include "quality/data_sets.hpp"

using namespace orv;
using namespace orv::api;

namespace {

// The data sets prepared by GetWQDataInit for one node, handed out by
// GetWQData.
wq::DataSetCursor &cursor() { return default_session().quality_cursor(); }

bool has_quality_results(const Session &e) {
  return e.has_model() && e.has_results() && e.results().step_count() > 0 &&
         e.model().options.quality != QualityKind::None;
}

}  // namespace

extern "C" {

// Number of values of a quality series of the element type (one per stored
// step) and the last instant (hours); 0 without quality results.
int GetWQTSInfo(const int *typelt, float *tmax) {
  put(tmax, 0.0f);
  return guarded_count([&] {
    need_type(typelt);
    const Session &e = default_session();
    if (!has_quality_results(e)) return 0;
    put(tmax, static_cast<float>(e.results().times().back() / 3600.0));
    return static_cast<int>(e.results().step_count());
  });
}

int GetNBMaxWQcomp(void) {
  return guarded(0, [] {
    const Session &e = default_session();
    return has_quality_results(e) ? wq::max_data_set_values(e.results()) : 0;
  });
}

int GetWQDataInit(const char *snode, int *nvec, orv_len lsnode) {
  put(nvec, 0);
  cursor().clear();
  return guarded_count([&] {
    const std::string_view id = need_text(snode, lsnode, "node identifier");
    const Session &e = default_session();
    // Without a model or results there is simply no data set.
    if (!e.has_model() || !e.has_results()) return 0;
    const Model &m = e.model();
    const int node = element_by_id(m, ElementType::Node, id);  // UnknownName
    const int count = cursor().prepare(m, e.results(), node);
    put(nvec, count);
    return count;
  });
}

int GetWQData(const int *nvecx, int *nvec, float *tvec, float *cvec, char *snode, char *scode,
              char *attr, int *lnod, int *lcod, orv_len lsnode, orv_len lscode, orv_len lattr) {
  put(nvec, 0);
  put(lnod, 0);
  put(lcod, 0);
  text_out(snode, lsnode, "");
  text_out(scode, lscode, "");
  text_out(attr, lattr, "");
  return guarded_status([&] {
    const int room = need_room(nvecx, {tvec, cvec});
    const wq::DataSet *set = cursor().peek();
    if (!set) fail(Status::NotAvailable, "no water-quality data set left: call GetWQDataInit first");
    const std::size_t n = std::min(set->times.size(), set->values.size());
    // A set that does not fit is not handed out (nor consumed): ask again with room.
    if (n > static_cast<std::size_t>(room))
      fail(Status::BadArgument, "room for " + std::to_string(room) + " values, the data set has " +
                                    std::to_string(n));
    std::copy_n(set->times.begin(), n, tvec);
    std::copy_n(set->values.begin(), n, cvec);
    put(nvec, static_cast<int>(n));
    put(lnod, text_out(snode, lsnode, set->node));
    put(lcod, text_out(scode, lscode, set->code));
    text_out(attr, lattr, set->attr);
    cursor().next();
  });
}

}  // extern "C"
