#include "io/inp_sections.hpp"

#include <array>

namespace orv::inp {

namespace {
using S = Stage;
using D = Defines;

// In the order the reference engine tries the headers.
const std::array<SectionReader, 30> kSections{{
    {"[TITLE]", S::Kept, nullptr, D::Nothing, nullptr, nullptr, Body::Title},
    {"[JUNCTIONS]", S::Junctions, read_junction, D::Node},
    {"[RESERVOIRS]", S::Tanks, read_tank, D::Node},
    {"[TANKS]", S::Tanks, read_tank, D::Node},
    {"[PIPES]", S::Links, read_pipe, D::Link},
    {"[PUMPS]", S::Links, read_pump, D::Link},
    {"[VALVES]", S::Links, read_valve, D::Link},
    {"[CONTROLS]", S::Controls, read_control},
    {"[RULES]", S::Rules, read_rule, D::Nothing, settle_rules},
    {"[DEMANDS]", S::Demands, read_demand},
    {"[SOURCES]", S::Sources, read_source},
    {"[EMITTERS]", S::Emitters, read_emitter},
    {"[PATTERNS]", S::Patterns, read_pattern, D::Pattern},
    {"[CURVES]", S::Curves, read_curve, D::Curve},
    {"[QUALITY]", S::Quality, read_initial_quality},
    {"[STATUS]", S::Status, read_status},
    {"[ROUGHNESS]", S::Kept, nullptr, D::Nothing, nullptr, nullptr, Body::Skipped},
    {"[ENERGY]", S::Energy, read_energy},
    {"[REACTIONS]", S::Reactions, read_reaction},
    {"[MIXING]", S::Mixing, read_mixing},
    {"[REPORT]", S::Report, read_report, D::Nothing, nullptr, &Model::report_lines},
    {"[TIMES]", S::Times, read_time, D::Nothing, settle_times},
    {"[OPTIONS]", S::Options, read_option, D::Nothing, settle_options},
    {"[COORDINATES]", S::Coordinates, read_coordinates},
    {"[VERTICES]", S::Vertices, read_vertex},
    {"[LABELS]", S::Kept, nullptr, D::Nothing, nullptr, &Model::label_lines},
    {"[BACKDROP]", S::Kept, nullptr, D::Nothing, nullptr, &Model::backdrop_lines},
    {"[TAGS]", S::Tags, read_tag},
    {"[LEAKAGE]", S::Leakage, read_leakage},
    {"[END]", S::Kept, nullptr, D::Nothing, nullptr, nullptr, Body::End},
}};
}  // namespace

std::span<const SectionReader> section_readers() { return kSections; }

}  // namespace orv::inp
