// Running command text: one line, the pending queue, command files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "session/session.hpp"

namespace orv::commands {

// Runs one command line; throws Failure. An empty or comment line does nothing.
void execute_line(Session &e, std::string_view line);

// Runs a text of one or more lines (separated by line breaks) in order,
// stopping at the first failure; a failing line of several is named by its
// number.
void execute_text(Session &e, std::string_view text);

// Runs a command file with its arguments substituted for %1 ... %9 (%* all of
// them, %% a percent sign); stops at the first failing line, whose message
// names the file and line.
void run_command_file(Session &e, const std::string &file, const std::vector<std::string> &args);

// Builds "KEYWORD [WORD] [text]" from module and keyword numbers and a
// dictionary word number (<= 0: none).
std::string generate_command(int module, int keyword, int word, std::string_view text);

}  // namespace orv::commands
