// Error raised while reading a network file: every bad line, each with its
// line number and reason, in file order.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

struct InputProblem {
  int line = 0;  // 1-based; 0 when not tied to a line
  std::string reason;
};

class InputError : public std::runtime_error {
 public:
  InputError(std::string file, int line, std::string reason)
      : InputError(std::move(file), std::vector<InputProblem>{{line, std::move(reason)}}) {}
  // `problems` holds at least one; the first is the error's own line and reason.
  InputError(std::string file, std::vector<InputProblem> problems)
      : std::runtime_error(listing(file, problems)), file_(std::move(file)), problems_(std::move(problems)) {}

  const std::string &file() const { return file_; }
  int line() const { return problems_.front().line; }
  const std::string &reason() const { return problems_.front().reason; }
  const std::vector<InputProblem> &problems() const { return problems_; }

  // "file:line: reason" (or "file: reason" without a line).
  static std::string describe(const std::string &file, const InputProblem &p) {
    return p.line > 0 ? file + ":" + std::to_string(p.line) + ": " + p.reason : file + ": " + p.reason;
  }
  // The problems one a line, the first first; past `kListed` of them, their count.
  static std::string listing(const std::string &file, const std::vector<InputProblem> &problems) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < kListed; ++i) {
      if (i > 0) text += '\n';
      text += describe(file, problems[i]);
    }
    if (problems.size() > kListed) text += "\n... " + std::to_string(problems.size() - kListed) + " more bad lines";
    return text;
  }
  static constexpr std::size_t kListed = 100;

 private:
  std::string file_;
  std::vector<InputProblem> problems_;
};

}  // namespace orv
