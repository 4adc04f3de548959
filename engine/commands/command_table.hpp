// The command language: keywords grouped in numbered modules, and the
// dictionary of every keyword and argument word (numbered from 1).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "commands/arguments.hpp"
#include "core/engine.hpp"

namespace orv::commands {

using Handler = void (*)(Engine &, Arguments &);

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

// Keywords whose work belongs to other parts of the engine (MEASURE,
// CALIBRATE) run the handler those parts provide, registered once at start-up
// (for example from a static initializer); without one they give
// NotAvailable.
void provide_handler(std::string_view keyword, Handler run);
Handler provided_handler(std::string_view keyword);

// Names accepted by OPTION and TIME (for the dictionary).
std::vector<std::string> option_names();
std::vector<std::string> time_names();

// Handlers, by module.
void cmd_load(Engine &, Arguments &);
void cmd_save(Engine &, Arguments &);
void cmd_unload(Engine &, Arguments &);
void cmd_folder(Engine &, Arguments &);
void cmd_option(Engine &, Arguments &);
void cmd_time(Engine &, Arguments &);
void cmd_date(Engine &, Arguments &);
void cmd_set(Engine &, Arguments &);
void cmd_select(Engine &, Arguments &);
void cmd_zone(Engine &, Arguments &);
void cmd_delete(Engine &, Arguments &);
void cmd_simulate(Engine &, Arguments &);
void cmd_instant(Engine &, Arguments &);
void cmd_quality(Engine &, Arguments &);
void cmd_provided(Engine &, Arguments &);
void cmd_run(Engine &, Arguments &);
void cmd_batch(Engine &, Arguments &);

}  // namespace orv::commands
