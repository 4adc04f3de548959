// The command language: keywords grouped in numbered modules, and the
// dictionary of every keyword and argument word (numbered from 1).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/arguments.hpp"
#include "session/session.hpp"

namespace orv::commands {

using Handler = void (*)(Session &, Arguments &);

struct CommandDef {
  std::string_view keyword;
  std::string_view syntax;
  Handler run;
};

struct ModuleDef {
  std::string_view name;
  std::span<const CommandDef> commands;
};

// Modules, numbered from 1 in this order; keywords numbered from 1 within each.
std::span<const ModuleDef> modules();
// Command of an upper-case keyword; null when unknown.
const CommandDef *find_command(std::string_view keyword);
// Keywords of all modules in order, then the argument words.
const std::vector<std::string> &dictionary();

// Names accepted by OPTION and TIME (for the dictionary).
std::vector<std::string> option_names();
std::vector<std::string> time_names();

// Handlers, by module.
void cmd_load(Session &, Arguments &);
void cmd_save(Session &, Arguments &);
void cmd_unload(Session &, Arguments &);
void cmd_folder(Session &, Arguments &);
void cmd_option(Session &, Arguments &);
void cmd_time(Session &, Arguments &);
void cmd_date(Session &, Arguments &);
void cmd_set(Session &, Arguments &);
void cmd_select(Session &, Arguments &);
void cmd_zone(Session &, Arguments &);
void cmd_delete(Session &, Arguments &);
void cmd_simulate(Session &, Arguments &);
void cmd_instant(Session &, Arguments &);
void cmd_quality(Session &, Arguments &);
// Keywords whose work belongs to layers above (MEASURE, CALIBRATE) run the
// command the session was provided with; without one they give NotAvailable.
void cmd_provided(Session &, Arguments &);
void cmd_run(Session &, Arguments &);
void cmd_batch(Session &, Arguments &);

}  // namespace orv::commands
