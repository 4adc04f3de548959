#include "io/option_table.hpp"

#include <array>
#include <climits>
#include <cmath>

#include "io/inp_text.hpp"
#include "model/units.hpp"

namespace orv {

namespace {

using R = OptionRange;
using U = OptionUnit;

// Commands list their options in this order.
const std::array<NumericOption, 20> kOptions{{
    {"TRIALS", "TRIAL", false, R::Positive, false, U::None, nullptr, &Options::trials},
    {"ACCURACY", "ACCU", false, R::Positive, false, U::None, &Options::accuracy},
    {"SPECIFIC_GRAVITY", std::string_view("SPECIFIC").substr(0, 4), true, R::Positive, false, U::None, &Options::specific_gravity},
    {"VISCOSITY", "VISC", false, R::Positive, false, U::None, &Options::viscosity},
    {"DEMAND_MULTIPLIER", "DEMAND", true, R::Positive, false, U::None, &Options::demand_multiplier},
    {"EMITTER_EXPONENT", "EMIT", true, R::Positive, false, U::None, &Options::emitter_exponent},
    {"PRESSURE_EXPONENT", "PRESSURE", true, R::Positive, true, U::None, &Options::pressure_exponent},
    {"MINIMUM_PRESSURE", "MINI", true, R::NonNegative, false, U::Pressure, &Options::minimum_pressure},
    {"REQUIRED_PRESSURE", "REQ", true, R::NonNegative, false, U::Pressure, &Options::required_pressure},
    {"", "TOLER", false, R::NonNegative, false, U::None, &Options::quality_tolerance},
    {"", "DIFF", false, R::NonNegative, false, U::None, &Options::diffusivity},
    {"", "DAMPLIMIT", false, R::Any, false, U::None, &Options::damp_limit},
    {"", "FLOWCHANGE", false, R::NonNegative, false, U::Flow, &Options::flow_change},
    {"", "HEADERROR", false, R::NonNegative, false, U::Length, &Options::head_error},
    {"", "CHECKFREQ", false, R::Positive, false, U::None, nullptr, &Options::check_freq},
    {"", "MAXCHECK", false, R::Positive, false, U::None, nullptr, &Options::max_check},
    {"", "HTOL", false, R::Positive, false, U::None, nullptr, nullptr, true},
    {"", "QTOL", false, R::Positive, false, U::None, nullptr, nullptr, true},
    {"", "RQTOL", false, R::Positive, false, U::None, nullptr, nullptr, true},
    // Read by the format's engines and refused as unknown.
    {"", "PREC", true, R::Positive},
}};

// Commands list their time settings in this order.
const std::array<TimeOption, 9> kTimes{{
    {"DURATION", "DURA", "", &Times::duration},
    {"HYDRAULIC_STEP", "HYDR", "", &Times::hydraulic_step, true},
    {"QUALITY_STEP", "QUAL", "", &Times::quality_step, true},
    {"PATTERN_STEP", "PATT", "TIME", &Times::pattern_step, true},
    {"PATTERN_START", "PATT", "STAR", &Times::pattern_start},
    {"REPORT_STEP", "REPO", "TIME", &Times::report_step, true},
    {"REPORT_START", "REPO", "STAR", &Times::report_start},
    {"RULE_STEP", "RULE", "", &Times::rule_step, true},
    {"START_CLOCKTIME", "STAR", "", &Times::start_clocktime, false, true},
}};

constexpr std::array<std::string_view, 3> kHeadlossNames{"H-W", "D-W", "C-M"};
constexpr std::array<std::string_view, 2> kDemandModelNames{"DDA", "PDA"};

}  // namespace

std::span<const NumericOption> numeric_options() { return kOptions; }

const NumericOption *file_option(std::string_view keyword) {
  for (const NumericOption &o : kOptions)
    if (inp::match(keyword, o.file_key)) return &o;
  return nullptr;
}

const NumericOption *typed_option(std::string_view name) {
  for (const NumericOption &o : kOptions)
    if (!o.name.empty() && o.name == name) return &o;
  return nullptr;
}

OptionRange range_of(const NumericOption &o, bool in_file) {
  return in_file && o.zero_in_files ? OptionRange::NonNegative : o.range;
}

bool in_range(OptionRange r, double v) {
  switch (r) {
    case OptionRange::NonNegative: return v >= 0;
    case OptionRange::Positive: return v > 0;
    case OptionRange::Any: break;
  }
  return true;
}

double to_si(OptionUnit unit, const Model &m) {
  switch (unit) {
    case OptionUnit::Pressure: return 1.0 / units::pressure(m);
    case OptionUnit::Flow: return 1.0 / units::flow(m.options.flow_units);
    case OptionUnit::Length: return m.us_units() ? units::kFoot : 1.0;
    case OptionUnit::None: break;
  }
  return 1.0;
}

void set_option(Options &o, const NumericOption &option, double si_value) {
  if (option.real) o.*option.real = si_value;
  if (option.count) o.*option.count = si_value >= INT_MAX ? INT_MAX : static_cast<int>(si_value);
}

std::span<const TimeOption> time_options() { return kTimes; }

std::span<const std::string_view> headloss_names() { return kHeadlossNames; }
std::span<const std::string_view> demand_model_names() { return kDemandModelNames; }

}  // namespace orv
