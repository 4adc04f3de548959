// The one engine object of the process: everything the entry points and the
// commands share between calls.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/status.hpp"

namespace orv {

class Engine {
 public:
  // Opening resets the engine to its initial state.
  void open();
  void close();
  bool is_open() const { return open_; }

  const std::filesystem::path &work_folder() const { return work_folder_; }
  void set_work_folder(std::filesystem::path folder) { work_folder_ = std::move(folder); }
  // A relative path taken from the work folder.
  std::filesystem::path resolve(const std::string &path) const;

  bool batch() const { return batch_; }
  void set_batch(bool on) { batch_ = on; }

  void set_error(Status s, std::string message);
  const std::string &last_error() const { return last_error_; }
  Status last_status() const { return last_status_; }

  std::vector<std::string> &pending() { return pending_; }

 private:
  bool open_ = false;
  bool batch_ = false;
  std::filesystem::path work_folder_;
  std::string last_error_;
  Status last_status_ = Status::Ok;
  std::vector<std::string> pending_;
};

// The process-wide engine.
Engine &engine();

}  // namespace orv
