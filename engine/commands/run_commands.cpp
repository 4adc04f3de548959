// EDIT module: SET. SIMULATION module: SIMULATE, INSTANT. SYSTEM module:
// RUN, BATCH. (MEASURE and CALIBRATE run provided handlers: command_table.cpp.)
#include "attributes/values.hpp"
#include "commands/command_table.hpp"
#include "commands/element_words.hpp"
#include "commands/executor.hpp"
#include "commands/link_status_words.hpp"
#include "commands/time_text.hpp"
#include "session/simulation.hpp"

namespace orv::commands {

void cmd_set(Session &e, Arguments &a) {
  const ElementType type = element_type_word(a);
  const std::string id = a.word("element identifier");
  const std::string symbol = a.word("attribute");
  if (type == ElementType::Link && upper(symbol) == "STATUS") {
    const std::string status = a.word("status");
    a.finish();
    Model &m = e.edit_model();
    set_initial_status(m.links[element_by_id(m, type, id)], status);
    return;
  }
  const double value = a.number("value");
  a.finish();
  Model &m = e.edit_model();
  const int element = element_by_id(m, type, id);
  assign_value(m, attribute_for(symbol, type), type, element, static_cast<float>(value));
}

void cmd_simulate(Session &e, Arguments &a) {
  if (auto what = a.optional_word(); what && upper(*what) != "HYDRAULICS")
    a.error("only HYDRAULICS can be simulated, not '" + *what + "'");
  a.finish();
  simulate(e);
}

void cmd_instant(Session &e, Arguments &a) {
  const std::vector<std::string> words = a.rest("instant", 1);
  const std::string first = upper(words[0]);
  double hours = 0.0;
  if (first == "FIRST" || first == "LAST") {
    if (words.size() > 1) a.error("unexpected '" + words[1] + "'");
    const Results &r = e.results();
    if (first == "LAST" && r.step_count() > 0) hours = r.times().back() / 3600.0;
  } else {
    auto seconds = parse_duration(words);
    if (!seconds) a.error("malformed instant");
    hours = *seconds / 3600.0;
  }
  e.set_instant_hours(hours);
}

void cmd_run(Session &e, Arguments &a) {
  const std::string file = a.word("command file");
  run_command_file(e, file, a.rest("arguments"));
}

void cmd_batch(Session &e, Arguments &a) {
  const std::string w = a.upper_word("ON or OFF");
  a.finish();
  if (w != "ON" && w != "OFF") a.error("expected ON or OFF, not '" + w + "'");
  e.set_batch(w == "ON");
}

}  // namespace orv::commands
