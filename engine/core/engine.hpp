// The one engine object of the process: the loaded model, the last results,
// selections, zones, walk positions, the pending command queue, the work
// folder and the last error, everything the entry points and the commands
// share between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/element_type.hpp"
#include "core/status.hpp"
#include "hydraulics/simulate.hpp"
#include "model/model.hpp"

namespace orv {

// A named group of elements of one type (0-based indices, in the order given).
struct Selection {
  ElementType type = ElementType::Node;
  std::vector<int> members;
};

// Calendar date of the simulation start (its clock time is the model's).
struct CalendarDate {
  int year = 2000, month = 1, day = 1;
};

class Engine {
 public:
  // Opening resets the engine to its initial state.
  void open();
  void close();
  bool is_open() const { return open_; }

  // --- model and results -------------------------------------------------
  bool has_model() const { return model_.has_value(); }
  const Model &model() const;  // throws Failure(NoModel)
  // Model for editing; editing keeps the results of the last run.
  Model &edit_model();
  const std::string &model_file() const { return model_file_; }
  // Installs a model read from `file`: results, selections and zones of the
  // previous model are dropped.
  void install_model(Model m, std::string file);
  // Drops the model with everything that refers to it.
  void unload_model();
  // Changes whenever another model is installed or the model is dropped, so
  // that state kept elsewhere for a model can tell it is stale.
  std::uint64_t model_generation() const { return model_generation_; }

  bool has_results() const { return run_.has_value(); }
  const HydraulicRun &run() const;  // throws Failure(NoResults)
  const Results &results() const { return run().results; }
  void install_run(HydraulicRun run);
  // Status and message of the last simulation attempt.
  int last_run_status() const { return last_run_status_; }
  const std::string &last_run_message() const { return last_run_message_; }
  void note_run_attempt(int status, std::string message);

  // --- result instant used by whole-network reads -------------------------
  double instant_hours() const { return instant_hours_; }
  void set_instant_hours(double h) { instant_hours_ = h; }
  // Step of the results at the chosen instant (the last step not after it).
  std::size_t current_step() const;

  CalendarDate date() const { return date_; }
  void set_date(CalendarDate d) { date_ = d; }

  // --- selections and zones (names compared case-insensitively) ----------
  std::map<std::string, Selection> &selections() { return selections_; }
  std::map<std::string, std::vector<int>> &zones() { return zones_; }
  const std::map<std::string, Selection> &selections() const { return selections_; }
  const std::map<std::string, std::vector<int>> &zones() const { return zones_; }
  // The selection last sized by SelectLen, read by Selection.
  std::optional<Selection> &opened_selection() { return opened_selection_; }

  // --- walks ---------------------------------------------------------------
  std::size_t &unstable_walk() { return unstable_walk_; }

  // --- environment -----------------------------------------------------------
  const std::filesystem::path &work_folder() const { return work_folder_; }
  void set_work_folder(std::filesystem::path folder) { work_folder_ = std::move(folder); }
  // A relative path taken from the work folder.
  std::filesystem::path resolve(const std::string &path) const;

  bool batch() const { return batch_; }
  void set_batch(bool on) { batch_ = on; }

  void set_error(Status s, std::string message);
  const std::string &last_error() const { return last_error_; }
  Status last_status() const { return last_status_; }
  // Failures recorded since the engine was opened: a caller compares it
  // before and after a call to tell a failure from a success.
  std::uint64_t failure_count() const { return failure_count_; }

  std::vector<std::string> &pending() { return pending_; }
  const std::vector<std::string> &pending() const { return pending_; }

 private:
  bool open_ = false;
  bool batch_ = false;
  std::optional<Model> model_;
  std::string model_file_;
  std::uint64_t model_generation_ = 0;
  std::optional<HydraulicRun> run_;
  int last_run_status_ = -1;
  std::string last_run_message_;
  double instant_hours_ = 0.0;
  CalendarDate date_;
  std::map<std::string, Selection> selections_;
  std::map<std::string, std::vector<int>> zones_;
  std::optional<Selection> opened_selection_;
  std::size_t unstable_walk_ = 0;
  std::filesystem::path work_folder_;
  std::string last_error_;
  Status last_status_ = Status::Ok;
  std::uint64_t failure_count_ = 0;
  std::vector<std::string> pending_;
};

// The process-wide engine.
Engine &engine();

// Upper-cased copy (keywords, attribute symbols, selection and zone names).
std::string upper(std::string_view s);

}  // namespace orv
