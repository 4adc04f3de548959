// Whole-network vectors and link geometry.
#include <algorithm>

#include "api/boundary.hpp"
#include "attributes/display_units.hpp"
#include "attributes/values.hpp"
#include "model/geometry.hpp"

using namespace orv;
using namespace orv::api;

namespace {

template <class T, class S>
void copy_out(T *out, const std::vector<S> &values, int n) {
  for (int k = 0; k < n; ++k) out[k] = static_cast<T>(values[static_cast<std::size_t>(k)]);
}

int link_by_id(const Model &m, const char *sid, orv_len lsid) {
  return element_by_id(m, ElementType::Link, need_text(sid, lsid, "identifier"));
}

void need_geometry(const Model &m, int link) {
  if (!has_geometry(m, link))
    fail(Status::NotAvailable, "branch '" + m.links[link].id + "' has no coordinates");
}

// Points of a link with, in the third array, the elevation (or, when
// `distance_in_z`, the distance along the link) and in the fourth the
// attribute value: a link attribute is the same at every point, a node
// attribute goes linearly from the start node's value to the end node's.
int link_points(const char *sid, const char *attr, const int *nbval, double *xb, double *yb,
                  float *zb, float *vb, orv_len lsid, orv_len lattr, bool distance_in_z) {
  return guarded_count([&] {
    const Session &e = default_session();
    const Model &m = e.model();
    const int link = link_by_id(m, sid, lsid);
    const int room = need_room(nbval, {xb, yb, zb, vb});
    const std::string_view symbol = need_text(attr, lattr, "attribute");
    need_geometry(m, link);
    const Link &l = m.links[link];
    float v_from = 0.0f, v_to = 0.0f;
    if (!symbol.empty()) {
      const AttributeDef *def = find_attribute(symbol);
      if (def && def->target == Target::Link) {
        v_from = v_to = current_value(e, *def, ElementType::Link, link);
      } else {
        const AttributeDef &node_def = attribute_for(symbol, ElementType::Node);
        v_from = current_value(e, node_def, ElementType::Node, l.from);
        v_to = current_value(e, node_def, ElementType::Node, l.to);
      }
    }
    const std::vector<Point> pts = polyline(m, link);
    const std::vector<double> s = cumulative_lengths(pts);
    const double total = s.back();
    const double length = display_unit(m, Quantity::Length).factor;
    const double z_from = m.nodes[l.from].elevation * length, z_to = m.nodes[l.to].elevation * length;
    const int n = std::min(room, static_cast<int>(pts.size()));
    for (int k = 0; k < n; ++k) {
      const double f = total > 0.0 ? s[k] / total : 0.0;
      xb[k] = pts[k].x;
      yb[k] = pts[k].y;
      zb[k] = static_cast<float>(distance_in_z ? s[k] : z_from + f * (z_to - z_from));
      vb[k] = static_cast<float>(v_from + f * (v_to - v_from));
    }
    return n;
  });
}

}  // namespace

extern "C" {

int cGetAll(const int *typelt, const char *attr, const int *nbval, float *vect, orv_len lattr) {
  return guarded_count([&] {
    const ElementType type = need_type(typelt);
    const int room = need_room(nbval, {vect});
    const Session &e = default_session();
    const AttributeDef &def = attribute_for(need_text(attr, lattr, "attribute"), type);
    const std::vector<float> values = network_vector(e, def, type);
    const int n = std::min(room, static_cast<int>(values.size()));
    copy_out(vect, values, n);
    return n;
  });
}

int cGetAllMinMax(const int *typelt, const char *attr, const int *nbval, float *tmin, float *vmin,
                  float *tmax, float *vmax, float *vmoy, orv_len lattr) {
  return guarded_count([&] {
    const ElementType type = need_type(typelt);
    const int room = need_room(nbval, {tmin, vmin, tmax, vmax, vmoy});
    const Session &e = default_session();
    const AttributeDef &def = attribute_for(need_text(attr, lattr, "attribute"), type);
    const ElementExtremes x = network_extremes(e, def, type);
    const int n = std::min(room, static_cast<int>(x.min.size()));
    copy_out(tmin, x.min_hours, n);
    copy_out(vmin, x.min, n);
    copy_out(tmax, x.max_hours, n);
    copy_out(vmax, x.max, n);
    copy_out(vmoy, x.mean, n);
    return n;
  });
}

int GetNbCoudes(const int *index) {
  return guarded_count([&] {
    const Model &m = default_session().model();
    const int link = element_by_number(m, ElementType::Link, need(index, "branch number"));
    // Callers keep the low 16 bits: a count that does not fit is refused.
    const std::size_t bends = m.links[link].vertices.size();
    if (bends > 32765) fail(Status::NotAvailable, "too many bends to report");
    return static_cast<int>(bends);
  });
}

int LinkXYZV(const char *sid, const char *attr, const int *nbval, double *xb, double *yb, float *zb,
             float *vb, orv_len lsid, orv_len lattr) {
  return link_points(sid, attr, nbval, xb, yb, zb, vb, lsid, lattr, false);
}

int LinkXYZDV(const char *sid, const char *attr, const int *nbval, double *xb, double *yb,
              float *zb, float *vb, orv_len lsid, orv_len lattr) {
  return link_points(sid, attr, nbval, xb, yb, zb, vb, lsid, lattr, true);
}

int LinkBBox(const char *sid, double *xmin, double *xmax, double *ymin, double *ymax, orv_len lsid) {
  return guarded_status([&] {
    const Model &m = default_session().model();
    const int link = link_by_id(m, sid, lsid);
    need_geometry(m, link);
    const Box b = bounding_box(polyline(m, link));
    put(xmin, b.xmin);
    put(xmax, b.xmax);
    put(ymin, b.ymin);
    put(ymax, b.ymax);
  });
}

}  // extern "C"
