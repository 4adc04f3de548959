// The sections of the INP format and their readers: one table, section
// header -> how its lines are read. The driver (inp_reader.cpp) splits the
// file, hands each line to its section's reader in the order of the stages,
// and turns a fault of a line into a problem of that line.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "io/inp_read_state.hpp"

namespace orv::inp {

// Order of interpretation: what a line refers to is read before it (options
// and patterns before the elements using them, nodes before links). Sections
// of one stage are read together in file order.
enum class Stage {
  Options, Times, Patterns, Curves, Junctions, Tanks, Links, Tags, Demands, Status, Emitters, Leakage,
  Quality, Sources, Reactions, Mixing, Energy, Controls, Rules, Report, Coordinates, Vertices, Kept, Count
};

// What a bad line of the section leaves undefined (its first field).
enum class Defines { Nothing, Node, Link, Pattern, Curve };

// How the splitter treats the section's lines.
enum class Body { Lines, Title, Skipped, End };

struct SectionReader {
  std::string_view header;  // as the format's engines match it: a header is the first one its token starts with
  Stage stage = Stage::Kept;
  void (*read)(ReadState &, const SectionLine &) = nullptr;
  Defines defines = Defines::Nothing;
  void (*after)(ReadState &) = nullptr;          // once the stage's lines are read
  std::vector<std::string> Model::*kept = nullptr;  // raw lines kept for writing back
  Body body = Body::Lines;
};

std::span<const SectionReader> section_readers();

// ---- readers of lines, by family (one source file each) ----
void read_option(ReadState &, const SectionLine &);   // inp_options.cpp
void settle_options(ReadState &);
void read_time(ReadState &, const SectionLine &);
void settle_times(ReadState &);
void read_pattern(ReadState &, const SectionLine &);  // inp_curves.cpp
void read_curve(ReadState &, const SectionLine &);
void settle_curves(ReadState &);
void read_junction(ReadState &, const SectionLine &);  // inp_nodes.cpp
void read_tank(ReadState &, const SectionLine &);
void read_tag(ReadState &, const SectionLine &);
void read_demand(ReadState &, const SectionLine &);
void read_emitter(ReadState &, const SectionLine &);
void read_coordinates(ReadState &, const SectionLine &);
void read_pipe(ReadState &, const SectionLine &);  // inp_links.cpp
void read_pump(ReadState &, const SectionLine &);
void read_valve(ReadState &, const SectionLine &);
void read_status(ReadState &, const SectionLine &);
void read_leakage(ReadState &, const SectionLine &);
void read_vertex(ReadState &, const SectionLine &);
void read_initial_quality(ReadState &, const SectionLine &);  // inp_quality.cpp
void read_source(ReadState &, const SectionLine &);
void read_reaction(ReadState &, const SectionLine &);
void read_mixing(ReadState &, const SectionLine &);
void read_control(ReadState &, const SectionLine &);  // inp_controls.cpp
void read_rule(ReadState &, const SectionLine &);
void settle_rules(ReadState &);
void read_energy(ReadState &, const SectionLine &);  // inp_energy_report.cpp
void read_report(ReadState &, const SectionLine &);

}  // namespace orv::inp
