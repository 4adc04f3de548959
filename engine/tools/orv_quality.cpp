// orv_quality: water-quality runs for developers.
//
//   orv_quality NETWORK.inp [options]
//     --age | --trace NODE | --chemical      override the quality option
//     --qstep SECONDS                        override the quality step
//     --hydraulics FILE                      use these hydraulics instead of simulating
//     --repeat N                             run the quality N times, print timings only
//     --sets NODE                            print the node's data sets instead
//     --reference-conventions                book water as the reference engine does
//     --every SECONDS                        print only the instants that are multiples
//
// Hydraulics file (text, SI): "nodes links tanks", then per step a line with
// the time (s), a line of link flows (m3/s, 0 when closed), a line of node
// demands (m3/s) and a line of tank volumes (m3).
// Output: "ids,N,id,id..." and "ids,L,id,id...", then per instant the lines
// "N,time,v v v..." and "L,time,v v v..." (quality in display units), then
// "#status,code,message".
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "hydraulics/simulate.hpp"
#include "io/inp_reader.hpp"
#include "quality/data_sets.hpp"
#include "quality/quality.hpp"

namespace {

bool read_hydraulics(const std::string &path, const orv::Model &m, orv::SimulationRun &run) {
  std::ifstream in(path);
  std::size_t nn, nl, nt;
  if (!(in >> nn >> nl >> nt) || nn != m.nodes.size() || nl != m.links.size() || nt != m.tanks.size())
    return false;
  run.results = orv::Results(nn, nl, nt);
  double t;
  while (in >> t) {
    const std::size_t s = run.results.add_step(t);
    auto flow = run.results.column(orv::LinkAttr::Flow, s);
    auto status = run.results.column(orv::LinkAttr::Status, s);
    for (std::size_t k = 0; k < nl; ++k) {
      double v;
      in >> v;
      flow[k] = static_cast<float>(v);
      status[k] = static_cast<float>(orv::ReportedLinkStatus::Open);
    }
    auto dem = run.results.column(orv::NodeAttr::Demand, s);
    for (std::size_t n = 0; n < nn; ++n) {
      double v;
      in >> v;
      dem[n] = static_cast<float>(v);
    }
    auto vol = run.results.column(orv::TankAttr::Volume, s);
    for (std::size_t i = 0; i < nt; ++i) {
      double v;
      in >> v;
      vol[i] = static_cast<float>(v);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orv_quality NETWORK.inp [--age|--trace NODE|--chemical] "
                         "[--qstep S] [--hydraulics FILE] [--repeat N] [--reference-conventions]\n");
    return 2;
  }
  orv::Model model;
  try {
    model = orv::read_inp(argv[1]);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::string hyd_file;
  int repeat = 0;
  std::string sets_node;
  double every = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--age") model.options.quality = orv::QualityKind::Age;
    else if (a == "--chemical") model.options.quality = orv::QualityKind::Chemical;
    else if (a == "--trace" && i + 1 < argc) {
      model.options.quality = orv::QualityKind::Trace;
      model.options.trace_node = argv[++i];
    } else if (a == "--qstep" && i + 1 < argc) model.times.quality_step = std::atof(argv[++i]);
    else if (a == "--hydraulics" && i + 1 < argc) hyd_file = argv[++i];
    else if (a == "--repeat" && i + 1 < argc) repeat = std::atoi(argv[++i]);
    else if (a == "--sets" && i + 1 < argc) sets_node = argv[++i];
    else if (a == "--every" && i + 1 < argc) every = std::atof(argv[++i]);
    else if (a == "--reference-conventions") model.options.reference_quality_conventions = true;
    else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return 2;
    }
  }
  orv::SimulationRun run;
  if (!hyd_file.empty()) {
    if (!read_hydraulics(hyd_file, model, run)) {
      std::fprintf(stderr, "bad hydraulics file %s\n", hyd_file.c_str());
      return 1;
    }
  } else {
    run = orv::simulate_hydraulics(model);
  }
  if (repeat > 0) {
    for (int r = 0; r < repeat; ++r) {
      const auto t0 = std::chrono::steady_clock::now();
      orv::simulate_quality(model, run);
      const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
      std::printf("%.6f\n", d.count());
    }
    return 0;
  }
  orv::simulate_quality(model, run);
  if (!sets_node.empty()) {
    const auto sets = orv::wq::node_data_sets(model, run.results, model.find_node(sets_node));
    std::printf("max,%d\n", orv::wq::max_data_set_values(run.results));
    for (const auto &s : sets)
      for (std::size_t i = 0; i < s.values.size(); ++i)
        std::printf("%s,%s,%s,%g,%.9g\n", s.node.c_str(), s.code.c_str(), s.attr.c_str(), s.times[i], s.values[i]);
    return 0;
  }
  const orv::Results &r = run.results;
  std::string out = "ids,N";
  for (const auto &n : model.nodes) out += "," + n.id;
  out += "\nids,L";
  for (const auto &l : model.links) out += "," + l.id;
  out += "\n";
  char buf[64];
  for (std::size_t s = 0; s < r.step_count(); ++s) {
    const double t = r.times()[s];
    if (every > 0 && std::fmod(t, every) != 0.0) continue;
    for (const char kind : {'N', 'L'}) {
      std::snprintf(buf, sizeof buf, "%c,%.0f,", kind, t);
      out += buf;
      const std::size_t count = kind == 'N' ? r.node_count() : r.link_count();
      for (std::size_t i = 0; i < count; ++i) {
        const float v = kind == 'N' ? r.value(orv::NodeAttr::Quality, s, i) : r.value(orv::LinkAttr::Quality, s, i);
        std::snprintf(buf, sizeof buf, i ? " %.9g" : "%.9g", v);
        out += buf;
      }
      out += "\n";
    }
  }
  std::fputs(out.c_str(), stdout);
  std::printf("#status,%d,%s\n", run.status, run.message.c_str());
  return 0;
}
