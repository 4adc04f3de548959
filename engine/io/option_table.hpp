// The options of a model, as network files and the OPTION command name them:
// one entry per option with its names, unit and range. Their defaults are
// those of Options (model/model.hpp).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/model.hpp"

namespace orv {

enum class OptionRange { Any, NonNegative, Positive };
// The display unit of an option's value; SI inside the model.
enum class OptionUnit { None, Pressure, Flow, Length };

struct NumericOption {
  std::string_view name;      // as the OPTION command spells it, words joined by '_'; "" when it has no command
  std::string_view file_key;  // the first letters of the option's keyword in a file
  bool two_words;             // in a file the value follows a second word ("DEMAND MULTIPLIER 1.5")
  OptionRange range;
  // The format's engines read a 0 from a file where the range refuses it
  // (and then divide by it): such files load, a typed 0 is refused.
  bool zero_in_files = false;
  OptionUnit unit = OptionUnit::None;
  double Options::*real = nullptr;
  int Options::*count = nullptr;  // a whole number: files truncate, commands refuse fractions
  // Kept verbatim for writing back, not used by the engine.
  bool kept = false;
};

std::span<const NumericOption> numeric_options();

// The option a file's keyword names, nullptr when none.
const NumericOption *file_option(std::string_view keyword);
// The option of a command name ("DEMAND_MULTIPLIER"), nullptr when none.
const NumericOption *typed_option(std::string_view name);

// The range a value must be in: the option's, or its range in files.
OptionRange range_of(const NumericOption &o, bool in_file);
bool in_range(OptionRange r, double v);

// Factor from the option's display unit to SI for this model.
double to_si(OptionUnit unit, const Model &m);

// The option's value, in SI; counts are truncated and bounded to an int.
void set_option(Options &o, const NumericOption &option, double si_value);

// Least difference between the required and the minimum pressure, in display units.
inline constexpr double kMinPressureDifference = 0.1;
inline constexpr std::string_view kPressureDifferenceReason = "required pressure must exceed the minimum pressure by 0.1";

// The time settings of a model, [TIMES] in files and the TIME command, in seconds.
struct TimeOption {
  std::string_view name;         // as the TIME command spells it
  std::string_view file_key;     // the first letters of the keyword in a file
  std::string_view file_second;  // the first letters of a second word telling settings apart, or ""
  double Times::*field;
  bool step = false;   // a step: typed, at least one second; in a file 0 stands for the default
  bool clock = false;  // a clock time, within one day
};

std::span<const TimeOption> time_options();

// The names of the choices of HEADLOSS and DEMAND MODEL, in the order of their enums.
std::span<const std::string_view> headloss_names();
std::span<const std::string_view> demand_model_names();

}  // namespace orv
