#include "core/engine.hpp"

#include <algorithm>
#include <cctype>

namespace orv {

Engine &engine() {
  static Engine the_engine;
  return the_engine;
}

std::string upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return out;
}

void Engine::open() {
  const std::uint64_t generation = model_generation_;
  *this = Engine{};
  model_generation_ = generation + 1;
  open_ = true;
  std::error_code ec;
  work_folder_ = std::filesystem::current_path(ec);
}

void Engine::close() {
  const auto folder = work_folder_;
  const std::uint64_t generation = model_generation_;
  *this = Engine{};
  work_folder_ = folder;
  model_generation_ = generation + 1;
}

const Model &Engine::model() const {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  return *model_;
}

Model &Engine::edit_model() {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  return *model_;
}

void Engine::install_model(Model m, std::string file) {
  model_ = std::move(m);
  ++model_generation_;
  model_file_ = std::move(file);
  run_.reset();
  last_run_status_ = -1;
  last_run_message_.clear();
  instant_hours_ = 0.0;
  selections_.clear();
  zones_.clear();
  opened_selection_.reset();
  unstable_walk_ = 0;
}

void Engine::unload_model() {
  install_model(Model{}, "");
  model_.reset();
}

const HydraulicRun &Engine::run() const {
  if (!model_) throw Failure(Status::NoModel, "no model loaded");
  if (!run_) throw Failure(Status::NoResults, "no simulation results: run SIMULATE first");
  return *run_;
}

void Engine::install_run(HydraulicRun run) {
  run_ = std::move(run);
  unstable_walk_ = 0;
}

void Engine::note_run_attempt(int status, std::string message) {
  last_run_status_ = status;
  last_run_message_ = std::move(message);
}

std::size_t Engine::current_step() const {
  // Instants handed out are 4-byte hours, a fraction of a second off the
  // step they came from; half a second of tolerance finds that step again.
  return results().step_at(instant_hours_ * 3600.0 + 0.5);
}

std::filesystem::path Engine::resolve(const std::string &path) const {
  std::filesystem::path p(path);
  if (p.is_absolute() || work_folder_.empty()) return p;
  return work_folder_ / p;
}

void Engine::set_error(Status s, std::string message) {
  last_status_ = s;
  last_error_ = std::move(message);
  ++failure_count_;
}

}  // namespace orv
