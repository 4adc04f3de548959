// Entry points of the analysis features: measured series, demand codes and
// their walks, category tables, calibration indicators and summary,
// statistics, wall shear stress, the density table and SHL entries. Each
// validates its arguments here and calls the modules of engine/analysis,
// engine/measurements and engine/calibration; their state is kept in parts
// of the session (walks included).
#include <algorithm>
#include <cmath>
#include <span>

#include "analysis/analysis_state.hpp"
#include "analysis/category_tables.hpp"
#include "analysis/demand_codes.hpp"
#include "analysis/element_statistics.hpp"
#include "analysis/shear_stress.hpp"
#include "api/boundary.hpp"
#include "attributes/display_units.hpp"
#include "attributes/values.hpp"
#include "calibration/comparison.hpp"

using namespace orv;
using namespace orv::api;
using analysis::AnalysisState;
using analysis::NamedCount;

namespace {

AnalysisState state() { return analysis::analysis_state(default_session()); }

int need_count(const int *n, const char *what) {
  const int v = need(n, what);
  if (v < 0) fail(Status::BadArgument, std::string("negative ") + what);
  return v;
}

template <class T>
std::span<const T> need_array(const T *p, int n, const char *what) {
  if (n > 0 && !p) fail(Status::BadArgument, std::string("missing ") + what);
  return {p, static_cast<std::size_t>(n)};
}

// The key of a measured series of an element of the model.
measurements::SeriesKey series_key(const int *typelt, const char *sid, const char *sattr, orv_len lsid,
                                   orv_len lsattr) {
  const ElementType type = need_type(typelt);
  const Model &m = default_session().model();
  const int element = element_by_id(m, type, need_text(sid, lsid, "identifier"));
  const AttributeDef &def = attribute_for(need_text(sattr, lsattr, "attribute"), type);
  return {type, element_id(m, type, element), std::string(def.symbol)};
}

// The next item of a walk into the name, value, count and length outputs,
// which are emptied first; past the end or before a start: Failure(BadArgument).
void walk_next(analysis::Walk<NamedCount> &walk, const char *what, char *text, orv_len ltext, float *value,
               int *count, int *length) {
  const NamedCount *item = walk.advance();
  if (!item) fail(Status::BadArgument, std::string("no ") + what + " left: start the walk first");
  const int written = text_out(text, ltext, item->name);
  put(value, static_cast<float>(item->value));
  put(count, item->count);
  put(length, written);
}

void empty_item(char *text, orv_len ltext, float *value, int *count, int *length) {
  text_out(text, ltext, "");
  put(value, 0.0f);
  put(count, 0);
  put(length, 0);
}

// Writes a column-major table of `rows` rows into a buffer of `room` rows.
void write_table(const std::vector<float> &table, std::size_t rows, int room, float *out) {
  if (rows > static_cast<std::size_t>(room))
    fail(Status::BadArgument, "the result buffer has " + std::to_string(room) + " rows for " +
                                  std::to_string(rows) + " elements");
  if (rows == 0) return;
  const std::size_t columns = table.size() / rows;
  for (std::size_t j = 0; j < columns; ++j)
    for (std::size_t i = 0; i < rows; ++i) out[j * static_cast<std::size_t>(room) + i] = table[j * rows + i];
}

const std::string &shl_text(const char *p, orv_len n, const char *what, std::string &keep) {
  keep = std::string(need_text(p, n, what));
  if (keep.empty()) fail(Status::BadArgument, std::string("empty ") + what);
  return keep;
}

int shl_count(const int *shl) {
  const int n = need(shl, "SHL count");
  if (n < 1) fail(Status::BadArgument, "the SHL count must be at least 1");
  return n;
}

// Attaching and modifying an attachment read the same arguments.
template <auto Change>
int change_attachment(const char *sid, const char *shlid, const int *shl, orv_len lsid, orv_len lshlid) {
  return guarded_status([&] {
    std::string entry;
    shl_text(shlid, lshlid, "SHL identifier", entry);
    Model &m = default_session().edit_model();
    const int link = element_by_id(m, ElementType::Link, need_text(sid, lsid, "branch identifier"));
    AnalysisState s = state();
    (s.model.attachments.*Change)(m, s.shl, link, entry, shl_count(shl));
  });
}

}  // namespace

extern "C" {

// --- measured series ----------------------------------------------------------

int NbMesbyId(const int *typelt, const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return guarded_count([&] {
    if (!default_session().has_model()) return 0;  // no model, no measurements
    const auto key = series_key(typelt, sid, sattr, lsid, lsattr);
    const auto *s = measurements::measurements_of(default_session()).find(key);
    return s ? static_cast<int>(s->hours.size()) : 0;
  });
}

int TSMesbyId(const int *typelt, const char *sid, const char *sattr, const int *nbval, float *vec_tim,
              float *vec_val, const float *interval, orv_len lsid, orv_len lsattr) {
  return guarded_count([&] {
    const int room = need_room(nbval, {vec_tim, vec_val});
    const auto key = series_key(typelt, sid, sattr, lsid, lsattr);
    const auto *s = measurements::measurements_of(default_session()).find(key);
    if (!s) return 0;
    const float dt = get(interval).value_or(0.0f);
    const auto points = measurements::sampled(*s, std::isfinite(dt) ? dt : 0.0, static_cast<std::size_t>(room));
    for (std::size_t i = 0; i < points.size(); ++i) {
      vec_tim[i] = static_cast<float>(points[i].hours);
      vec_val[i] = static_cast<float>(points[i].value);
    }
    return static_cast<int>(points.size());
  });
}

// --- demand codes ---------------------------------------------------------------

int CSNodebyID(const char *sid, const char *scode, float *csm, orv_len lsid, orv_len lscode) {
  put(csm, 0.0f);
  return guarded_status([&] {
    const Model &m = default_session().model();
    const int node = element_by_id(m, ElementType::Node, need_text(sid, lsid, "node identifier"));
    const std::string code(need_text(scode, lscode, "demand code"));
    if (!analysis::code_exists(m, code)) fail(Status::UnknownName, "unknown demand code '" + code + "'");
    double total = 0.0;
    for (const auto &c : analysis::node_code_demands(m, node))
      if (upper(c.code) == upper(code)) total += c.demand;
    put(csm, static_cast<float>(total));
  });
}

int GetNbCsmPair(const char *sid, int *nb, int *szcod, orv_len lsid) {
  put(nb, 0);
  put(szcod, 0);
  return guarded_status([&] {
    const Model &m = default_session().model();
    const int node = element_by_id(m, ElementType::Node, need_text(sid, lsid, "node identifier"));
    std::vector<NamedCount> items;
    int longest = 0;
    for (const auto &c : analysis::node_code_demands(m, node)) {
      items.push_back({c.code, c.demand, 0});
      longest = std::max(longest, static_cast<int>(c.code.size()));
    }
    put(nb, static_cast<int>(items.size()));
    put(szcod, longest);
    state().model.node_codes.start(std::move(items));
  });
}

int GetNextCsmPair(char *scode, float *csm, int *length, orv_len lscode) {
  empty_item(scode, lscode, csm, nullptr, length);
  return guarded_status(
      [&] { walk_next(state().model.node_codes, "demand pair", scode, lscode, csm, nullptr, length); });
}

int GetUsedCodes(const int *used_only, int *nbc) {
  put(nbc, 0);
  return guarded_status([&] {
    const bool used = need(used_only, "used-only flag") != 0;
    std::vector<NamedCount> items;
    for (const auto &c : analysis::code_summaries(default_session().model(), used))
      items.push_back({c.code, c.demand, c.nodes});
    put(nbc, static_cast<int>(items.size()));
    state().model.codes.start(std::move(items));
  });
}

int GetNextCodeCSMNodeCount(char *code_text, float *demand, int *nodecount, int *lncode, orv_len lcode) {
  empty_item(code_text, lcode, demand, nodecount, lncode);
  return guarded_status(
      [&] { walk_next(state().model.codes, "demand code", code_text, lcode, demand, nodecount, lncode); });
}

// --- category tables ---------------------------------------------------------------

int GetNbTableEntry(const char *table, const int *ityp, int *nbc, orv_len ltable) {
  put(nbc, 0);
  return guarded_status([&] {
    const std::string name(need_text(table, ltable, "table name"));
    const int type = need(ityp, "element type");
    AnalysisState s = state();
    std::vector<NamedCount> items = analysis::category_table(default_session(), s, name, type);
    put(nbc, static_cast<int>(items.size()));
    s.model.table.start(std::move(items));
  });
}

int GetNextTableEntry(char *item, int *ncount, int *lnitem, orv_len litem) {
  empty_item(item, litem, nullptr, ncount, lnitem);
  return guarded_status(
      [&] { walk_next(state().model.table, "table entry", item, litem, nullptr, ncount, lnitem); });
}

// --- calibration -------------------------------------------------------------------

int cSetIndCal(const float *seuilb, const float *seuiln, const float *seuilr) {
  return guarded_status([&] {
    const double b = need(seuilb, "first threshold"), n = need(seuiln, "second threshold"),
                 r = need(seuilr, "third threshold");
    if (!(std::isfinite(b) && std::isfinite(n) && std::isfinite(r) && 0 <= b && b <= n && n <= r))
      fail(Status::BadArgument, "the thresholds must be numbers with 0 <= first <= second <= third");
    calibration::thresholds_of(default_session()) = {b, n, r};
  });
}

int GetIndCal(const int *typelt, const char *sid, float *val, int *ival, orv_len lsid) {
  put(val, 0.0f);
  put(ival, 0);
  return guarded_status([&] {
    const ElementType type = need_type(typelt);
    Session &e = default_session();
    const Model &m = e.model();
    const int element = element_by_id(m, type, need_text(sid, lsid, "identifier"));
    const auto ind = calibration::element_indicator(m, e.results(), measurements::measurements_of(e), type,
                                                    element_id(m, type, element), calibration::thresholds_of(e));
    put(val, static_cast<float>(ind.deviation));
    put(ival, ind.cls);
  });
}

int Kalibra_Summary(int *iter, int *iter100, float *fobjmin, float *fobj100, float *fobj0, float *flambda) {
  put(iter, 0);
  put(iter100, 0);
  put(fobjmin, 0.0f);
  put(fobj100, 0.0f);
  put(fobj0, 0.0f);
  put(flambda, 0.0f);
  return guarded_status([&] {
    default_session().model();
    const calibration::Summary &s = calibration::summary_of(default_session());
    if (!s.ran) fail(Status::NoResults, "no calibration has run on this model");
    put(iter, s.iterations);
    put(iter100, s.iterations_to_100);
    put(fobjmin, static_cast<float>(s.objective_min));
    put(fobj100, static_cast<float>(s.objective_100));
    put(fobj0, static_cast<float>(s.objective_0));
    put(flambda, static_cast<float>(s.damping));
  });
}

// --- statistics ----------------------------------------------------------------------

int cQuantiles(const int *typres, const char *sattr, const int *nqtl, const float *qtl, const int *lres,
               const int *bufres, float *tabres, orv_len lsattr) {
  return guarded_status([&] {
    const int nq = need_count(nqtl, "quantile count"), nr = need_count(lres, "element count");
    const auto levels = need_array(qtl, nq, "quantile levels");
    const auto numbers = need_array(bufres, nr, "element indices");
    if (nq > 0 && nr > 0 && !tabres) fail(Status::BadArgument, "missing result buffer");
    const Session &e = default_session();
    const auto set = analysis::elements_by_number(e.model(), need(typres, "element type"), numbers);
    const auto table = analysis::quantile_table(e, set, need_text(sattr, lsattr, "attribute"), levels);
    write_table(table, set.elements.size(), nr, tabres);
  });
}

int cSQuantiles(const char *sel, const char *sattr, const int *nqtl, const float *qtl, const int *lres,
                float *tabres, orv_len lsel, orv_len lsattr) {
  return guarded_status([&] {
    const int nq = need_count(nqtl, "quantile count"), nr = need_count(lres, "element count");
    const auto levels = need_array(qtl, nq, "quantile levels");
    if (nq > 0 && nr > 0 && !tabres) fail(Status::BadArgument, "missing result buffer");
    const Session &e = default_session();
    const auto set = analysis::elements_of_selection(e, need_text(sel, lsel, "selection"));
    const auto table = analysis::quantile_table(e, set, need_text(sattr, lsattr, "attribute"), levels);
    write_table(table, set.elements.size(), nr, tabres);
  });
}

int cDuree_Cumulee(const int *typres, const char *sattr, const char *sop, const float *seuil,
                   const int *lres, const int *bufres, float *tabres, orv_len lsattr, orv_len lsop) {
  return guarded_status([&] {
    const int nr = need_count(lres, "element count");
    const auto numbers = need_array(bufres, nr, "element indices");
    if (nr > 0 && !tabres) fail(Status::BadArgument, "missing result buffer");
    const Session &e = default_session();
    const auto set = analysis::elements_by_number(e.model(), need(typres, "element type"), numbers);
    const auto table = analysis::duration_table(e, set, need_text(sattr, lsattr, "attribute"),
                                                need_text(sop, lsop, "comparison"), need(seuil, "threshold"));
    write_table(table, set.elements.size(), nr, tabres);
  });
}

int cSDuree_Cumulee(const char *sel, const char *sattr, const char *sop, const float *seuil, const int *lres,
                    float *tabres, orv_len lsel, orv_len lsattr, orv_len lsop) {
  return guarded_status([&] {
    const int nr = need_count(lres, "element count");
    if (nr > 0 && !tabres) fail(Status::BadArgument, "missing result buffer");
    const Session &e = default_session();
    const auto set = analysis::elements_of_selection(e, need_text(sel, lsel, "selection"));
    const auto table = analysis::duration_table(e, set, need_text(sattr, lsattr, "attribute"),
                                                need_text(sop, lsop, "comparison"), need(seuil, "threshold"));
    write_table(table, set.elements.size(), nr, tabres);
  });
}

// --- shear stress and density -----------------------------------------------------------

int cShearStr(const char *sid, const float *v, float *s, float *ds) {
  put(s, 0.0f);
  put(ds, 0.0f);
  return guarded_status([&] {
    const auto id = text_until_nul(sid, kMaxTerminatedText);
    if (!id) fail(Status::BadArgument, "missing branch identifier");
    const float velocity = need(v, "velocity");
    if (!std::isfinite(velocity)) fail(Status::BadArgument, "the velocity is not a number");
    const Model &m = default_session().model();
    const int link = element_by_id(m, ElementType::Link, *id);
    const double factor = display_unit(m, Quantity::Velocity).factor;  // SI -> display
    const auto w = analysis::wall_shear(m, link, std::fabs(velocity) / factor,
                                        analysis::water_density(m, state().density));
    put(s, static_cast<float>(w.stress));
    put(ds, static_cast<float>(w.derivative / factor));
  });
}

int cSetDensity(const int *nbval, const float *tval, const float *dval) {
  return guarded_status([&] {
    const int n = need_count(nbval, "pair count");
    const auto t = need_array(tval, n, "temperatures");
    const auto d = need_array(dval, n, "densities");
    state().density.set(t, d);
  });
}

// --- singular head losses ----------------------------------------------------------------

int cSHLTableEntry(const char *shlid, const float *shl, const char *comment, int *istat, orv_len lshlid,
                   orv_len lcomment) {
  const int status = guarded_status([&] {
    std::string id;
    shl_text(shlid, lshlid, "SHL identifier", id);
    if (!shl) fail(Status::BadArgument, "missing SHL parameters");
    const std::string note(need_text(comment, lcomment, "comment"));
    Session &e = default_session();
    Model &m = e.edit_model();
    AnalysisState s = state();
    analysis::ShlCatalogue catalogue = s.shl;
    catalogue.set({id, shl[0], shl[1] / display_unit(m, Quantity::Diameter).factor, note});
    s.model.attachments.refresh(m, catalogue, id);
    s.shl = std::move(catalogue);
  });
  put(istat, status);
  return status;
}

int cAddSHL(const char *sid, const char *shlid, const int *shl, orv_len lsid, orv_len lshlid) {
  return change_attachment<&analysis::ShlAttachments::attach>(sid, shlid, shl, lsid, lshlid);
}

int cModSHL(const char *sid, const char *shlid, const int *shl, orv_len lsid, orv_len lshlid) {
  return change_attachment<&analysis::ShlAttachments::modify>(sid, shlid, shl, lsid, lshlid);
}

int cClearSHL(const char *sid, const char *shlid, orv_len lsid, orv_len lshlid) {
  return guarded_status([&] {
    const std::string entry(need_text(shlid, lshlid, "SHL identifier"));
    Model &m = default_session().edit_model();
    const int link = element_by_id(m, ElementType::Link, need_text(sid, lsid, "branch identifier"));
    state().model.attachments.remove(m, link, entry);
  });
}

}  // extern "C"
