// A session of the engine: the loaded model, the last run, selections, zones,
// walk positions, the pending command queue, the work folder, the last error,
// the quality data-set cursor, the command-file depth, the commands provided
// by layers above, and the state those layers keep (measurements, the
// calibration summary, analysis tables) as parts. Everything the entry points
// and the commands share between calls lives here; the C boundary holds the
// one default session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

#include "model/element_type.hpp"
#include "model/status.hpp"
#include "hydraulics/simulate.hpp"
#include "model/model.hpp"
#include "model/text.hpp"
#include "quality/data_sets.hpp"

namespace orv {

class Session;
namespace commands {
class Arguments;
}
// A command whose work belongs to a layer above the commands (MEASURE,
// CALIBRATE), handed to the session by whoever assembles it.
using ProvidedCommand = void (*)(Session &, commands::Arguments &);

// A named group of elements of one type (0-based indices, in the order given).
struct Selection {
  ElementType type = ElementType::Node;
  std::vector<int> members;
};

// Calendar date of the simulation start (its clock time is the model's).
struct CalendarDate {
  int year = 2000, month = 1, day = 1;
};

class Session {
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
  const SimulationRun &run() const;  // throws Failure(NoResults)
  const Results &results() const { return run().results; }
  void install_run(SimulationRun run);
  // The store of the run last replaced, for the next run to write into: a run
  // needs that much memory anyway while the results it replaces stay
  // readable, and pages already mapped spare the system zeroing fresh ones
  // (a tenth of a large network's run). Empty when there is none.
  Results take_spare_store() { return std::move(spare_store_); }
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

  // --- water-quality data sets handed out one by one ------------------------
  // They are copies: a new simulation or model, opening or closing do not
  // invalidate them, but preparing again replaces them.
  wq::DataSetCursor &quality_cursor() { return quality_cursor_; }

  // --- command files -----------------------------------------------------------
  // How deep command files are running command files.
  int &command_file_depth() { return command_file_depth_; }
  // Provided commands stay through opening and closing.
  void provide_command(std::string keyword, ProvidedCommand run);
  ProvidedCommand provided_command(std::string_view keyword) const;

  // --- state of the layers above ----------------------------------------------
  // Created empty on first use; dropped on opening, closing and unloading
  // the model.
  template <class Part>
  Part &part() { return get<Part>(parts_); }
  // Same, also dropped when another model is installed.
  template <class Part>
  Part &model_part() { return get<Part>(model_parts_); }

 private:
  using Parts = std::map<std::type_index, std::shared_ptr<void>>;
  template <class Part>
  static Part &get(Parts &parts) {
    std::shared_ptr<void> &slot = parts[typeid(Part)];
    if (!slot) slot = std::make_shared<Part>();
    return *static_cast<Part *>(slot.get());
  }
  // Opening and closing start afresh but for what outlives them.
  void restart(bool open);

  bool open_ = false;
  bool batch_ = false;
  std::optional<Model> model_;
  std::string model_file_;
  std::uint64_t model_generation_ = 0;
  std::optional<SimulationRun> run_;
  Results spare_store_;
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
  wq::DataSetCursor quality_cursor_;
  int command_file_depth_ = 0;
  std::map<std::string, ProvidedCommand, std::less<>> provided_;
  Parts parts_, model_parts_;
};

}  // namespace orv
