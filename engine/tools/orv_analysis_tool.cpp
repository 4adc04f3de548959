// Reads one request per line from stdin and prints its answer on one line:
// "ok" followed by values, or "error <status> <message>" (lines joined by '|'). Lists are given
// comma-separated. Requests:
//   cmd <command line>                       engine command (MEASURE and CALIBRATE included)
//   quantiles <type> <attr> <levels> <numbers>
//   squantiles <selection> <attr> <levels>
//   duration <type> <attr> <op> <threshold> <numbers>
//   shear <link id> <velocity>               stress and derivative
//   density <temperatures> <densities>       (a lone "-" clears the table)
//   nodecodes <node id> | codes <0|1> | table <name> <type>
//   shlentry <id> <K> <reference diameter> | shl attach|modify <link> <entry> <n>
//   shl remove <link> <entry|->
//   get <type> <id> <attr>                   current value in display units
//   series <type> <id> <attr>                simulated series as hours:value pairs
//   ms <type> <id> <attr> <interval>         measured series as t:v pairs
//   thresholds <good> <fair> <poor> | indicator <type> <id> | summary
#include <algorithm>
#include <iostream>
#include <sstream>

#include "analysis/analysis_state.hpp"
#include "analysis/category_tables.hpp"
#include "analysis/demand_codes.hpp"
#include "analysis/element_statistics.hpp"
#include "analysis/shear_stress.hpp"
#include "attributes/display_units.hpp"
#include "attributes/values.hpp"
#include "calibration/calibrate_command.hpp"
#include "calibration/comparison.hpp"
#include "commands/executor.hpp"
#include "measurements/measure_command.hpp"

using namespace orv;

namespace {

std::vector<std::string> split(const std::string &s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string item; std::getline(in, item, sep);) out.push_back(item);
  return out;
}
template <class T>
std::vector<T> numbers(const std::string &s) {
  std::vector<T> out;
  if (s == "-") return out;
  for (const std::string &w : split(s, ',')) out.push_back(static_cast<T>(std::stod(w)));
  return out;
}

void answer(std::istringstream &in, Session &e) {
  std::string verb;
  in >> verb;
  std::ostringstream out;
  out.precision(9);
  out << "ok";
  const analysis::AnalysisState s = analysis::analysis_state(e);
  if (verb == "cmd") {
    std::string rest;
    std::getline(in, rest);
    commands::execute_line(e, rest);
  } else if (verb == "quantiles" || verb == "duration" || verb == "squantiles") {
    std::string type_or_sel, attr, a3, a4, a5;
    in >> type_or_sel >> attr >> a3;
    analysis::ElementSet set;
    std::vector<float> table;
    if (verb == "squantiles") {
      set = analysis::elements_of_selection(e, type_or_sel);
      table = analysis::quantile_table(e, set, attr, numbers<float>(a3));
    } else if (verb == "quantiles") {
      in >> a4;
      set = analysis::elements_by_number(e.model(), std::stoi(type_or_sel), numbers<int>(a4));
      table = analysis::quantile_table(e, set, attr, numbers<float>(a3));
    } else {
      in >> a4 >> a5;
      set = analysis::elements_by_number(e.model(), std::stoi(type_or_sel), numbers<int>(a5));
      table = analysis::duration_table(e, set, attr, a3, std::stof(a4));
    }
    for (float v : table) out << ' ' << v;
  } else if (verb == "shear") {
    std::string id;
    double v;
    in >> id >> v;
    const Model &m = e.model();
    const double f = display_unit(m, Quantity::Velocity).factor;
    const auto w = analysis::wall_shear(m, element_by_id(m, ElementType::Link, id), v / f,
                                        analysis::water_density(m, s.density));
    out << ' ' << w.stress << ' ' << w.derivative / f;
  } else if (verb == "density") {
    std::string t, d;
    in >> t >> d;
    s.density.set(numbers<float>(t), numbers<float>(d));
  } else if (verb == "nodecodes") {
    std::string id;
    in >> id;
    const Model &m = e.model();
    for (const auto &c : analysis::node_code_demands(m, element_by_id(m, ElementType::Node, id)))
      out << ' ' << c.code << '=' << c.demand;
  } else if (verb == "codes") {
    int used;
    in >> used;
    for (const auto &c : analysis::code_summaries(e.model(), used != 0))
      out << ' ' << c.code << '=' << c.demand << '/' << c.nodes;
  } else if (verb == "table") {
    std::string name;
    int type;
    in >> name >> type;
    for (const auto &c : analysis::category_table(e, s, name, type)) out << ' ' << c.name << '=' << c.count;
  } else if (verb == "shlentry") {
    std::string id;
    double k, dref;
    in >> id >> k >> dref;
    const Model &m = e.model();
    analysis::ShlCatalogue copy = s.shl;
    copy.set({id, k, dref / display_unit(m, Quantity::Diameter).factor, ""});
    s.model.attachments.refresh(e.edit_model(), copy, id);
    s.shl = copy;
  } else if (verb == "shl") {
    std::string what, link, entry;
    int n = 0;
    in >> what >> link >> entry >> n;
    Model &m = e.edit_model();
    const int l = element_by_id(m, ElementType::Link, link);
    if (what == "attach") s.model.attachments.attach(m, s.shl, l, entry, n);
    else if (what == "modify") s.model.attachments.modify(m, s.shl, l, entry, n);
    else s.model.attachments.remove(m, l, entry == "-" ? "" : entry);
  } else if (verb == "get") {
    int type;
    std::string id, attr;
    in >> type >> id >> attr;
    const auto t = static_cast<ElementType>(type);
    out << ' ' << current_value(e, attribute_for(attr, t), t, element_by_id(e.model(), t, id));
  } else if (verb == "series") {
    int type;
    std::string id, attr;
    in >> type >> id >> attr;
    const auto t = static_cast<ElementType>(type);
    const auto v = element_series(e, attribute_for(attr, t), t, element_by_id(e.model(), t, id));
    for (std::size_t i = 0; i < v.size(); ++i) out << ' ' << e.results().times()[i] / 3600.0 << ':' << v[i];
  } else if (verb == "ms") {
    int type;
    std::string id, attr;
    double interval;
    in >> type >> id >> attr >> interval;
    const auto *series = measurements::measurements_of(e).find({static_cast<ElementType>(type), id, upper(attr)});
    if (series)
      for (const auto &p : measurements::sampled(*series, interval, 100000)) out << ' ' << p.hours << ':' << p.value;
  } else if (verb == "thresholds") {
    calibration::Thresholds &t = calibration::thresholds_of(e);
    in >> t.good >> t.fair >> t.poor;
  } else if (verb == "indicator") {
    int type;
    std::string id;
    in >> type >> id;
    const auto i = calibration::element_indicator(e.model(), e.results(), measurements::measurements_of(e),
                                                  static_cast<ElementType>(type), id, calibration::thresholds_of(e));
    out << ' ' << i.deviation << ' ' << i.cls;
  } else if (verb == "summary") {
    const auto &x = calibration::summary_of(e);
    out << ' ' << x.iterations << ' ' << x.iterations_to_100 << ' ' << x.objective_min << ' '
        << x.objective_100 << ' ' << x.objective_0 << ' ' << x.damping;
  } else {
    throw Failure(Status::CommandError, "unknown request " + verb);
  }
  std::cout << out.str() << std::endl;
}

}  // namespace

int main() {
  Session e;
  e.provide_command("MEASURE", measurements::measure_command);
  e.provide_command("CALIBRATE", calibration::calibrate_command);
  e.open();
  for (std::string line; std::getline(std::cin, line);) {
    if (line.empty()) continue;
    std::istringstream in(line);
    try {
      answer(in, e);
    } catch (const Failure &f) {
      std::string message = f.what();
      std::replace(message.begin(), message.end(), '\n', '|');
      std::cout << "error " << code(f.status()) << ' ' << message << std::endl;
    } catch (const std::exception &x) {
      std::cout << "error -1 " << x.what() << std::endl;
    }
  }
}
