// Error raised while reading a network file: names the file, the line and the reason.
#pragma once

#include <stdexcept>
#include <string>

namespace orv {

class InputError : public std::runtime_error {
 public:
  InputError(std::string file, int line, std::string reason)
      : std::runtime_error(compose(file, line, reason)),
        file_(std::move(file)), line_(line), reason_(std::move(reason)) {}

  const std::string &file() const { return file_; }
  int line() const { return line_; }  // 1-based; 0 when not tied to a line
  const std::string &reason() const { return reason_; }

 private:
  static std::string compose(const std::string &file, int line, const std::string &reason) {
    return line > 0 ? file + ":" + std::to_string(line) + ": " + reason : file + ": " + reason;
  }
  std::string file_;
  int line_;
  std::string reason_;
};

}  // namespace orv
