// Splitting a command line into words, and reading a command's arguments.
//
// Words are separated by blanks or tabs; a word in double quotes may hold
// blanks ("" inside quotes stands for one quote). A line whose first
// non-blank character is '#', ';' or '!' is a comment.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/text.hpp"

namespace orv::commands {

// Words of a line; throws Failure(CommandError) for an unclosed quote.
std::vector<std::string> split_words(std::string_view line);

// The arguments that follow a command keyword, read left to right; every
// reader throws Failure(CommandError) naming the command and what is wrong.
class Arguments {
 public:
  Arguments(std::string keyword, std::vector<std::string> words, std::size_t first = 1);

  const std::string &keyword() const { return keyword_; }
  bool done() const { return pos_ >= words_.size(); }
  std::size_t left() const { return words_.size() - pos_; }

  std::string word(const char *what);            // any word
  std::string upper_word(const char *what);      // the word upper-cased
  std::optional<std::string> optional_word();
  double number(const char *what);               // a finite number
  // The remaining words, at least `at_least` of them.
  std::vector<std::string> rest(const char *what, std::size_t at_least = 0);
  // The remaining words joined by single blanks.
  std::string rest_text(const char *what);
  // Throws when words are left over.
  void finish() const;

  [[noreturn]] void error(const std::string &message) const;

 private:
  std::string keyword_;
  std::vector<std::string> words_;
  std::size_t pos_;
};

}  // namespace orv::commands
