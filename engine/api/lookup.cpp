// Element lookup, numeric and text attributes, positions, units, setters,
// selections.
#include <cmath>
#include <limits>
#include <numeric>

#include "api/boundary.hpp"
#include "attributes/display_units.hpp"
#include "attributes/text_attributes.hpp"
#include "attributes/values.hpp"
#include "model/geometry.hpp"

using namespace orv;
using namespace orv::api;

namespace {

const float kNoValue = std::numeric_limits<float>::quiet_NaN();

// Attribute value at the current instant by identifier.
float value_by_id(ElementType type, const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return guarded(kNoValue, [&] {
    const Session &e = default_session();
    const int element = element_by_id(e.model(), type, need_text(sid, lsid, "identifier"));
    const AttributeDef &def = attribute_for(need_text(sattr, lsattr, "attribute"), type);
    return current_value(e, def, type, element);
  });
}

// For a node number, the (type, element) under which an attribute is read or
// written: tank attributes of a tank's node go through the tank numbering.
std::pair<ElementType, int> node_target(const Model &m, const AttributeDef &def, int node) {
  if (def.target == Target::Tank && m.nodes[node].tank != kNone)
    return {ElementType::Tank, m.nodes[node].tank};
  return {ElementType::Node, node};
}

// Attribute value at the current instant by number and attribute index.
int value_by_number(ElementType type, const int *num, const int16_t *iattr, float *value) {
  put(value, kNoValue);
  return guarded_status([&] {
    float &out = need_out(value, "value");
    const Session &e = default_session();
    const Model &m = e.model();
    int element = element_by_number(m, type, need(num, "element number"));
    const AttributeDef *def = attribute_at(need(iattr, "attribute index"));
    if (!def) fail(Status::UnknownAttribute, "unknown attribute index " + std::to_string(*iattr));
    ElementType as = type;
    if (type == ElementType::Node) std::tie(as, element) = node_target(m, *def, element);
    out = current_value(e, attribute_for(def->symbol, as), as, element);
  });
}

int set_by_number(ElementType type, const int *index, const int16_t *iattr, const float *val) {
  return guarded_status([&] {
    Model &m = default_session().edit_model();
    int element = element_by_number(m, type, need(index, "element number"));
    const AttributeDef *def = attribute_at(need(iattr, "attribute index"));
    if (!def) fail(Status::UnknownAttribute, "unknown attribute index " + std::to_string(*iattr));
    ElementType as = type;
    if (type == ElementType::Node) std::tie(as, element) = node_target(m, *def, element);
    assign_value(m, attribute_for(def->symbol, as), as, element, need(val, "value"));
  });
}

}  // namespace

extern "C" {

int GetNbObjects(const int *typelt) {
  return guarded_count([&] {
    const ElementType type = need_type(typelt);
    return default_session().has_model() ? element_count(default_session().model(), type) : 0;
  });
}

int GetElementIndex(const int *typelt, const char *sid, int *num, orv_len lsid) {
  put(num, 0);
  return guarded_status([&] {
    int &out = need_out(num, "index");
    const ElementType type = need_type(typelt);
    out = element_by_id(default_session().model(), type, need_text(sid, lsid, "identifier")) + 1;
  });
}

int GetIdElem(const int *typelt, const int *num, char *sid, orv_len lsid) {
  text_out(sid, lsid, "");
  return guarded(0, [&] {
    const ElementType type = need_type(typelt);
    const Model &m = default_session().model();
    return text_out(sid, lsid, element_id(m, type, element_by_number(m, type, need(num, "number"))));
  });
}

float NodeValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return value_by_id(ElementType::Node, sid, sattr, lsid, lsattr);
}

float LinkValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return value_by_id(ElementType::Link, sid, sattr, lsid, lsattr);
}

float TankValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return value_by_id(ElementType::Tank, sid, sattr, lsid, lsattr);
}

float MeanValbyID(const char *sid, const char *sattr, orv_len lsid, orv_len lsattr) {
  return guarded(kNoValue, [&] {
    const Session &e = default_session();
    const ElementType type = ElementType::Node;
    const int element = element_by_id(e.model(), type, need_text(sid, lsid, "identifier"));
    const AttributeDef &def = attribute_for(need_text(sattr, lsattr, "attribute"), type);
    if (!def.needs_results) return current_value(e, def, type, element);
    const std::vector<float> series = element_series(e, def, type, element);
    if (series.empty()) fail(Status::NoResults, "no result instants");
    const double sum = std::accumulate(series.begin(), series.end(), 0.0);
    return static_cast<float>(sum / static_cast<double>(series.size()));
  });
}

int GetIndexAttr(const char *sattr, orv_len lsattr) {
  return guarded_count([&] {
    const AttributeDef *def = find_attribute(need_text(sattr, lsattr, "attribute"));
    return def ? attribute_index(*def) : 0;
  });
}

int GetNodeAttr(const int *num, const int16_t *iattr, float *value) {
  return value_by_number(ElementType::Node, num, iattr, value);
}

int GetLinkAttr(const int *num, const int16_t *iattr, float *value) {
  return value_by_number(ElementType::Link, num, iattr, value);
}

int GetTankAttr(const int *num, const int16_t *iattr, float *value) {
  return value_by_number(ElementType::Tank, num, iattr, value);
}

int NodePosbyID(const char *sid, double *x, double *y, float *z, float *dz, orv_len lsid) {
  return guarded_status([&] {
    const Session &e = default_session();
    const Model &m = e.model();
    const int i = element_by_id(m, ElementType::Node, need_text(sid, lsid, "identifier"));
    const Node &n = m.nodes[i];
    const double length = display_unit(m, Quantity::Length).factor;
    float head_above = 0.0f;
    if (e.has_results())
      head_above = static_cast<float>(
          (e.results().value(NodeAttr::Head, e.current_step(), i) - n.elevation) * length);
    put(x, n.has_coords ? n.x : std::nan(""));
    put(y, n.has_coords ? n.y : std::nan(""));
    put(z, static_cast<float>(n.elevation * length));
    put(dz, head_above);
  });
}

int StrAttrbyID(const int *typelt, const char *sid, const char *sattr, char *str, orv_len lsid,
                orv_len lsattr, orv_len lstr) {
  text_out(str, lstr, "");
  return guarded(0, [&] {
    const ElementType type = need_type(typelt);
    const Session &e = default_session();
    const int element = element_by_id(e.model(), type, need_text(sid, lsid, "identifier"));
    return text_out(str, lstr, text_attribute(e, type, element, need_text(sattr, lsattr, "attribute")));
  });
}

int StrAttrbyNum(const int *typelt, const int *num, const char *sattr, char *str, orv_len lsattr,
                 orv_len lstr) {
  text_out(str, lstr, "");
  return guarded(0, [&] {
    const ElementType type = need_type(typelt);
    const Session &e = default_session();
    const int element = element_by_number(e.model(), type, need(num, "number"));
    return text_out(str, lstr, text_attribute(e, type, element, need_text(sattr, lsattr, "attribute")));
  });
}

int cGetLinkNodes(const int *iarc, int *ni, int *nf) {
  put(ni, 0);
  put(nf, 0);
  return guarded_status([&] {
    const Model &m = default_session().model();
    const Link &l = m.links[element_by_number(m, ElementType::Link, need(iarc, "branch number"))];
    put(ni, l.from + 1);
    put(nf, l.to + 1);
  });
}

int GetUnitName(const char *attr, char *att_name, int *len_name, orv_len lattr, orv_len lname) {
  text_out(att_name, lname, "");
  put(len_name, 0);
  return guarded_status([&] {
    const std::string_view symbol = need_text(attr, lattr, "attribute");
    const AttributeDef *def = find_attribute(symbol);
    if (!def) fail(Status::UnknownAttribute, "unknown attribute '" + std::string(symbol) + "'");
    put(len_name, text_out(att_name, lname, display_unit(default_session().model(), def->quantity).name));
  });
}

float GetUnitCoef(const char *attr, orv_len lattr) {
  return guarded(0.0f, [&] {
    const std::string_view symbol = need_text(attr, lattr, "attribute");
    const AttributeDef *def = find_attribute(symbol);
    if (!def) fail(Status::UnknownAttribute, "unknown attribute '" + std::string(symbol) + "'");
    return static_cast<float>(display_unit(default_session().model(), def->quantity).factor);
  });
}

int SetBranchAttr(const int *index, const int16_t *iattr, const float *val) {
  return set_by_number(ElementType::Link, index, iattr, val);
}

int SetNodeAttr(const int *index, const int16_t *iattr, const float *val) {
  return set_by_number(ElementType::Node, index, iattr, val);
}

// The node across the one pump or valve attached to a node.
int GetSymmetricNodeID(const char *sid, char *sids, orv_len lsid, orv_len lsids) {
  text_out(sids, lsids, "");
  return guarded_status([&] {
    const Model &m = default_session().model();
    const int node = element_by_id(m, ElementType::Node, need_text(sid, lsid, "identifier"));
    int other = kNone, devices = 0;
    for (const Link &l : m.links) {
      if (l.kind != LinkKind::Pump && !is_valve(l.kind)) continue;
      if (l.from == node) other = l.to, ++devices;
      else if (l.to == node) other = l.from, ++devices;
    }
    if (devices != 1)
      fail(Status::UnknownName, "node '" + m.nodes[node].id + "' has " +
                                    (devices ? "several devices" : "no device"));
    text_out(sids, lsids, m.nodes[other].id);
  });
}

int GetDistLink(const char *sid, const double *xp, const double *yp, double *d, double *s1,
                double *s2, int *status, orv_len lsid) {
  const int result = guarded_status([&] {
    const Model &m = default_session().model();
    const int link = element_by_id(m, ElementType::Link, need_text(sid, lsid, "identifier"));
    const Point p{need(xp, "x"), need(yp, "y")};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) fail(Status::BadArgument, "point not finite");
    if (!has_geometry(m, link))
      fail(Status::NotAvailable, "branch '" + m.links[link].id + "' has no coordinates");
    const planar::PolylineFoot foot = planar::nearest_on_polyline(p, polyline(m, link), planar::exact_foot);
    put(d, foot.distance);
    put(s1, foot.from_start);
    put(s2, foot.to_end);
  });
  put(status, result);
  return result;
}

int SelectLen(const char *sname, int *nbelt, int *typelt, orv_len lsname) {
  put(nbelt, 0);
  put(typelt, 0);
  return guarded_status([&] {
    Session &e = default_session();
    const std::string name = upper(need_text(sname, lsname, "selection name"));
    auto it = e.selections().find(name);
    if (it == e.selections().end()) fail(Status::UnknownName, "unknown selection '" + name + "'");
    e.opened_selection() = it->second;
    put(nbelt, static_cast<int>(it->second.members.size()));
    put(typelt, static_cast<int>(it->second.type));
  });
}

int Selection(const int *nbelt, int *selbuf) {
  return guarded_count([&] {
    const int room = need_room(nbelt, {selbuf});
    const auto &sel = default_session().opened_selection();
    if (!sel) fail(Status::UnknownName, "no selection opened by SelectLen");
    const int n = std::min(room, static_cast<int>(sel->members.size()));
    for (int k = 0; k < n; ++k) selbuf[k] = sel->members[static_cast<std::size_t>(k)] + 1;
    return n;
  });
}

}  // extern "C"
