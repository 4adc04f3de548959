#include "commands/command_table.hpp"

#include <array>

namespace orv::commands {
namespace {

const auto model_commands = std::to_array<CommandDef>({
    {"LOAD", "LOAD <file.inp>", cmd_load},
    {"SAVE", "SAVE <file.inp>", cmd_save},
    {"UNLOAD", "UNLOAD", cmd_unload},
    {"FOLDER", "FOLDER <folder>", cmd_folder},
});
const auto option_commands = std::to_array<CommandDef>({
    {"OPTION", "OPTION <name> <value>", cmd_option},
    {"TIME", "TIME <name> <time> [unit]", cmd_time},
    {"DATE", "DATE <YYYY-MM-DD> [<clock time>]", cmd_date},
});
const auto edit_commands = std::to_array<CommandDef>({
    {"SET", "SET <NODE|BRANCH|TANK> <id> <attribute> <value> | SET BRANCH <id> STATUS OPEN|CLOSED|ACTIVE", cmd_set},
});
const auto selection_commands = std::to_array<CommandDef>({
    {"SELECT",
     "SELECT <name> <NODE|BRANCH|TANK> ALL | LIST <id>... | WHERE <attr> <op> <value> | ZONE <zone>",
     cmd_select},
    {"ZONE", "ZONE <name> LIST <node id>... | SELECTION <node selection>", cmd_zone},
    {"DELETE", "DELETE <SELECTION|ZONE> <name>", cmd_delete},
});
const auto simulation_commands = std::to_array<CommandDef>({
    {"SIMULATE", "SIMULATE [HYDRAULICS]", cmd_simulate},
    {"INSTANT", "INSTANT <time> [unit] | FIRST | LAST", cmd_instant},
});
const auto quality_commands = std::to_array<CommandDef>({
    {"QUALITY", "QUALITY NONE | AGE | TRACE <node id> | CHEMICAL <name> [units] | CONVENTIONS PHYSICAL|REFERENCE",
     cmd_quality},
});
const auto measure_commands = std::to_array<CommandDef>({
    {"MEASURE", "MEASURE <file.csv> | CLEAR", cmd_provided},
});
const auto calibration_commands = std::to_array<CommandDef>({
    {"CALIBRATE", "CALIBRATE [parameters]", cmd_provided},
});
const auto system_commands = std::to_array<CommandDef>({
    {"RUN", "RUN <command file> [argument]...", cmd_run},
    {"BATCH", "BATCH ON | OFF", cmd_batch},
});

const auto module_table = std::to_array<ModuleDef>({
    {"MODEL", model_commands},
    {"OPTIONS", option_commands},
    {"EDIT", edit_commands},
    {"SELECTION", selection_commands},
    {"SIMULATION", simulation_commands},
    {"QUALITY", quality_commands},
    {"MEASURES", measure_commands},
    {"CALIBRATION", calibration_commands},
    {"SYSTEM", system_commands},
});

// Words that stand after a keyword.
const auto argument_words = std::to_array<std::string_view>({
    "NODE", "BRANCH", "TANK", "ALL", "LIST", "WHERE", "SELECTION", "FIRST", "LAST", "ON", "OFF",
    "HYDRAULICS", "NONE", "AGE", "TRACE", "CHEMICAL",
});

}  // namespace

void cmd_provided(Session &e, Arguments &a) {
  const ProvidedCommand run = e.provided_command(a.keyword());
  if (!run) throw Failure(Status::NotAvailable, a.keyword() + ": not available in this version");
  run(e, a);
}

std::span<const ModuleDef> modules() { return module_table; }

const CommandDef *find_command(std::string_view keyword) {
  for (const ModuleDef &m : module_table)
    for (const CommandDef &c : m.commands)
      if (c.keyword == keyword) return &c;
  return nullptr;
}

const std::vector<std::string> &dictionary() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> out;
    for (const ModuleDef &m : module_table)
      for (const CommandDef &c : m.commands) out.emplace_back(c.keyword);
    for (std::string_view w : argument_words) out.emplace_back(w);
    for (const std::string &w : option_names()) out.push_back(w);
    for (const std::string &w : time_names()) out.push_back(w);
    return out;
  }();
  return words;
}

}  // namespace orv::commands
