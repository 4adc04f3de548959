#include "core/engine.hpp"

namespace orv {

Engine &engine() {
  static Engine the_engine;
  return the_engine;
}

void Engine::open() {
  *this = Engine{};
  open_ = true;
  std::error_code ec;
  work_folder_ = std::filesystem::current_path(ec);
}

void Engine::close() {
  const auto folder = work_folder_;
  *this = Engine{};
  work_folder_ = folder;
}

std::filesystem::path Engine::resolve(const std::string &path) const {
  std::filesystem::path p(path);
  if (p.is_absolute() || work_folder_.empty()) return p;
  return work_folder_ / p;
}

void Engine::set_error(Status s, std::string message) {
  last_status_ = s;
  last_error_ = std::move(message);
}

}  // namespace orv
