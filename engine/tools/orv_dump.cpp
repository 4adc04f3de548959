// orv_dump: load an INP file, run the hydraulic simulation and print the results.
//
//   orv_dump model.inp             results of every step (SI units, see below)
//   orv_dump model.inp --save out  write the model back as INP, then exit
//   orv_dump model.inp --time N    repeat the simulation N times (as a session does: the runs
//                                  after the first reuse its plan of the matrix), print seconds per run
//   orv_dump model.inp --extremes  per node head and per link flow: min, step of min,
//                                  max, step of max, mean over all steps
//   orv_dump model.inp --cycles N  load and simulate N times; print resident memory
//                                  (kB) and open file descriptors after each cycle
//   orv_dump model.inp --trace     every trial's relative flow change and status
//                                  changes, as the reference's full status report
//
// Output: "ids node|link|tank <ids...>", then per step "T <seconds>" followed by
// lines "<attr> <values...>" for attr H P D (nodes), Q V S (links), L (tanks).
// Exit status: 0 ok, 1 input error, 2 simulation error (message on stderr).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include <dirent.h>
#include <unistd.h>

#include "hydraulics/simulate.hpp"
#include "hydraulics/solver_layout.hpp"
#include "io/inp_reader.hpp"
#include "io/inp_writer.hpp"

namespace {

void print_ids(const char *kind, const std::vector<std::string> &ids) {
  std::printf("ids %s", kind);
  for (const auto &id : ids) std::printf(" %s", id.c_str());
  std::printf("\n");
}

template <typename Attr>
void print_column(const orv::Results &r, const char *name, Attr a, std::size_t step) {
  std::printf("%s", name);
  for (float v : r.column(a, step)) std::printf(" %.9g", v);
  std::printf("\n");
}

}  // namespace

long resident_kb() {
  long pages = 0, resident = 0;
  if (FILE *f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int open_descriptors() {
  int n = 0;
  if (DIR *d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orv_dump model.inp [--save out.inp | --time N]\n");
    return 64;
  }
  if (argc >= 4 && std::strcmp(argv[2], "--cycles") == 0) {
    const int n = std::max(1, std::atoi(argv[3]));
    for (int i = 0; i < n; ++i) {
      try {
        orv::Model m = orv::read_inp(argv[1]);
        orv::SimulationRun run = orv::simulate_hydraulics(m);
        std::printf("%d %ld %d %zu\n", i, resident_kb(), open_descriptors(), run.results.step_count());
      } catch (const orv::InputError &e) {
        std::printf("%d %ld %d error\n", i, resident_kb(), open_descriptors());
      }
    }
    return 0;
  }
  orv::Model model;
  try {
    model = orv::read_inp(argv[1]);
  } catch (const orv::InputError &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  // What the reader tolerated, in the form of its errors.
  for (const auto &[line, reason] : model.load_warnings)
    std::fprintf(stderr, "warning: %s%s: %s\n", argv[1], line > 0 ? (":" + std::to_string(line)).c_str() : "",
                 reason.c_str());
  if (argc >= 4 && std::strcmp(argv[2], "--save") == 0) {
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out << orv::inp_text(model);
    out.close();
    if (out) return 0;
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  if (argc >= 4 && std::strcmp(argv[2], "--time") == 0) {
    const int n = std::max(1, std::atoi(argv[3]));
    orv::hyd::LayoutCache layouts;  // as a session keeps it: the runs after the first share the plan
    orv::Results spare;
    for (int i = 0; i < n; ++i) {
      auto t0 = std::chrono::steady_clock::now();
      orv::SimulationRun run = orv::simulate_hydraulics(model, nullptr, &layouts, std::move(spare));
      auto t1 = std::chrono::steady_clock::now();
      std::printf("%.6f %zu %d %ld\n", std::chrono::duration<double>(t1 - t0).count(), run.results.step_count(),
                  run.status, run.iterations);
      spare = std::move(run.results);
    }
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[2], "--trace") == 0) {
    const orv::SimulationRun run = orv::simulate_hydraulics(model, stdout);
    std::printf("status %d %s\n", run.status, run.message.c_str());
    return 0;
  }
  orv::SimulationRun run = orv::simulate_hydraulics(model);
  if (argc >= 3 && std::strcmp(argv[2], "--extremes") == 0) {
    auto print = [](const char *name, const orv::Results::Extremes &e) {
      for (std::size_t i = 0; i < e.min.size(); ++i)
        std::printf("%s %zu %.9g %zu %.9g %zu %.9g\n", name, i, e.min[i], e.min_step[i], e.max[i], e.max_step[i],
                    e.mean[i]);
    };
    print("H", run.results.extremes(orv::NodeAttr::Head));
    print("Q", run.results.extremes(orv::LinkAttr::Flow));
    return 0;
  }
  std::vector<std::string> ids;
  for (const auto &n : model.nodes) ids.push_back(n.id);
  print_ids("node", ids);
  ids.clear();
  for (const auto &l : model.links) ids.push_back(l.id);
  print_ids("link", ids);
  ids.clear();
  for (const auto &t : model.tanks) ids.push_back(model.nodes[t.node].id);
  print_ids("tank", ids);
  const orv::Results &r = run.results;
  for (std::size_t s = 0; s < r.step_count(); ++s) {
    std::printf("T %.3f\n", r.times()[s]);
    print_column(r, "H", orv::NodeAttr::Head, s);
    print_column(r, "P", orv::NodeAttr::Pressure, s);
    print_column(r, "D", orv::NodeAttr::Demand, s);
    print_column(r, "Q", orv::LinkAttr::Flow, s);
    print_column(r, "V", orv::LinkAttr::Velocity, s);
    print_column(r, "S", orv::LinkAttr::Status, s);
    print_column(r, "L", orv::TankAttr::Level, s);
  }
  for (const auto &u : run.unstable)
    std::printf("unstable %s %.0f %s\n", model.links[u.link].id.c_str(), u.time, u.reason.c_str());
  std::printf("status %d %s\n", run.status, run.message.c_str());
  if (run.status >= 100 && run.status != orv::kHydErrUnbalanced) {
    std::fprintf(stderr, "%s\n", run.message.c_str());
    return 2;
  }
  return 0;
}
