// [ENERGY] and [REPORT].
#include "io/inp_sections.hpp"

namespace orv::inp {

void read_energy(ReadState &s, const SectionLine &sl) {
  const Line &l = sl.line;
  Energy &e = s.m.energy;
  s.need(l, 3, "energy");
  const std::size_t n = l.tokens.size();
  const std::string &k0 = l.tokens[0];
  if (match(k0, "DEMAN")) {
    e.demand_charge = s.number(l, 2, "demand charge");
    if (e.demand_charge < 0) s.fail("negative demand charge");
    return;
  }
  Pump *pump = nullptr;
  if (match(k0, "PUMP")) {
    s.need(l, 4, "pump energy");
    Link &link = s.m.links[s.link_ref(l.tokens[1])];
    if (link.kind != LinkKind::Pump) s.fail(l.tokens[1] + " is not a pump");
    pump = &s.m.pumps[link.pump];
  } else if (!match(k0, "GLOB")) {
    s.fail("unknown energy keyword " + k0);
  }
  const std::string &key = l.tokens[n - 2], &value = l.tokens[n - 1];
  if (match(key, "PRICE")) {
    const double price = s.number(l, n - 1, "price");
    if (price < 0) s.fail("negative energy price");
    if (pump) pump->energy_price = price;
    else e.global_price = price;
  } else if (match(key, "PATT")) {
    (pump ? pump->price_pattern : e.global_price_pattern) = s.pattern_ref(value);
  } else if (match(key, "EFFI")) {
    if (pump) {
      pump->efficiency_curve = s.curve_ref(value);
      s.use_curve(pump->efficiency_curve, CurveKind::Efficiency);
    } else {
      e.global_efficiency = s.number(l, n - 1, "global efficiency");
      if (e.global_efficiency <= 0) s.fail("global efficiency must be positive");
    }
  } else {
    s.fail("unknown energy keyword " + key);
  }
}

// [REPORT] is kept verbatim; its lines are checked as the reference engine checks them.
void read_report(ReadState &s, const SectionLine &sl) {
  static const char *fields[] = {"ELEVATION", "DEMAND",   "HEAD",  "PRESSURE", "QUALITY",
                                 "LENGTH",    "DIAMETER", "FLOW",  "VELOCITY", "HEADLOSS",
                                 "STATE",     "SETTING",  "REACTION", "F-FACTOR"};
  const Line &l = sl.line;
  const std::size_t n = l.tokens.size() - 1;
  const std::string &k0 = l.tokens[0];
  if (n < 1) s.fail("report option " + k0 + " without value");
  if (match(k0, "PAGE")) {
    const double y = s.number(l, n, "page size");
    if (y < 0 || y > 255) s.fail("page size must be 0 to 255");
    return;
  }
  if (match(k0, "STATUS") || match(k0, "SUMM") || match(k0, "MESS") || match(k0, "ENER") || match(k0, "FILE")) return;
  if (match(k0, "NODE") || match(k0, "LINK")) {
    const bool node = match(k0, "NODE");
    if (match(l.tokens[n], "NONE") || match(l.tokens[n], "ALL")) return;
    for (std::size_t i = 1; i <= n; ++i) node ? (void)s.node_ref(l.tokens[i]) : (void)s.link_ref(l.tokens[i]);
    return;
  }
  bool field = false;
  for (const char *f : fields) field = field || match(k0, f);
  if (!field) s.fail("unknown report option " + k0);
  if (match(l.tokens[1], "YES") || match(l.tokens[1], "NO")) return;
  if (l.tokens.size() < 3) s.fail("too few fields for report option " + k0);
  if (!match(l.tokens[1], "BELOW") && !match(l.tokens[1], "ABOVE") && !match(l.tokens[1], "PREC"))
    s.fail("report option " + k0 + " takes YES, NO, BELOW, ABOVE or PRECISION");
  s.number(l, 2, "report limit");
}

}  // namespace orv::inp
