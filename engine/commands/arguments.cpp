#include "commands/arguments.hpp"


#include "session/session.hpp"
#include "model/status.hpp"

namespace orv::commands {

std::vector<std::string> split_words(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < line.size() && blank(line[i])) ++i;
  if (i < line.size() && (line[i] == '#' || line[i] == ';' || line[i] == '!')) return words;
  while (i < line.size()) {
    if (blank(line[i])) {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {
            word += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        word += line[i++];
      }
      if (!closed) throw Failure(Status::CommandError, "unclosed quote in command");
    } else {
      while (i < line.size() && !blank(line[i])) word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

Arguments::Arguments(std::string keyword, std::vector<std::string> words, std::size_t first)
    : keyword_(std::move(keyword)), words_(std::move(words)), pos_(first) {}

void Arguments::error(const std::string &message) const {
  throw Failure(Status::CommandError, keyword_ + ": " + message);
}

std::string Arguments::word(const char *what) {
  if (done()) error(std::string("missing ") + what);
  return words_[pos_++];
}

std::string Arguments::upper_word(const char *what) { return upper(word(what)); }

std::optional<std::string> Arguments::optional_word() {
  if (done()) return std::nullopt;
  return words_[pos_++];
}

double Arguments::number(const char *what) {
  const std::string w = word(what);
  auto v = parse_number(w);
  if (!v) error(std::string(what) + " must be a number, not '" + w + "'");
  return *v;
}

std::vector<std::string> Arguments::rest(const char *what, std::size_t at_least) {
  if (left() < at_least) error(std::string("missing ") + what);
  std::vector<std::string> out(words_.begin() + static_cast<std::ptrdiff_t>(pos_), words_.end());
  pos_ = words_.size();
  return out;
}

std::string Arguments::rest_text(const char *what) {
  std::string text;
  for (const std::string &w : rest(what, 1)) text.append(text.empty() ? "" : " ").append(w);
  return text;
}

void Arguments::finish() const {
  if (!done()) error("unexpected '" + words_[pos_] + "'");
}

}  // namespace orv::commands
