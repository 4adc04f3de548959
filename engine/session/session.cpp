#include "session/session.hpp"

namespace orv {

void Session::restart(bool open) {
  Session next;
  next.open_ = open;
  next.model_generation_ = model_generation_ + 1;
  next.work_folder_ = std::move(work_folder_);
  next.quality_cursor_ = std::move(quality_cursor_);
  next.provided_ = std::move(provided_);
  *this = std::move(next);
}

void Session::open() {
  restart(true);
  std::error_code ec;
  work_folder_ = std::filesystem::current_path(ec);
}

void Session::close() { restart(false); }

void Session::provide_command(std::string keyword, ProvidedCommand run) {
  provided_[std::move(keyword)] = run;
}

ProvidedCommand Session::provided_command(std::string_view keyword) const {
  auto it = provided_.find(keyword);
  return it == provided_.end() ? nullptr : it->second;
}

const Model &Session::model() const {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  return *model_;
}

Model &Session::edit_model() {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  return *model_;
}

void Session::install_model(Model m, std::string file) {
  model_ = std::move(m);
  ++model_generation_;
  model_file_ = std::move(file);
  run_.reset();
  spare_store_ = {};
  last_run_status_ = -1;
  last_run_message_.clear();
  instant_hours_ = 0.0;
  selections_.clear();
  zones_.clear();
  opened_selection_.reset();
  unstable_walk_ = 0;
  model_parts_.clear();
}

void Session::unload_model() {
  install_model(Model{}, "");
  model_.reset();
  parts_.clear();
}

const SimulationRun &Session::run() const {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  if (!run_) throw Failure(Status::NoResults, "no simulation results: run SIMULATE first");
  return *run_;
}

void Session::install_run(SimulationRun run) {
  if (run_) spare_store_ = std::move(run_->results);
  run_ = std::move(run);
  unstable_walk_ = 0;
}

void Session::note_run_attempt(int status, std::string message) {
  last_run_status_ = status;
  last_run_message_ = std::move(message);
}

std::size_t Session::current_step() const {
  // Instants handed out are 4-byte hours, a fraction of a second off the
  // step they came from; half a second of tolerance finds that step again.
  return results().step_at(instant_hours_ * 3600.0 + 0.5);
}

std::filesystem::path Session::resolve(const std::string &path) const {
  std::filesystem::path p(path);
  if (p.is_absolute() || work_folder_.empty()) return p;
  return work_folder_ / p;
}

void Session::set_error(Status s, std::string message) {
  last_status_ = s;
  last_error_ = std::move(message);
  ++failure_count_;
}

}  // namespace orv
