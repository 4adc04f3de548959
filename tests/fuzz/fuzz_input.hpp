// Reads a fuzzer's bytes as a sequence of small decisions: numbers, choices
// among known words, and texts. Once the bytes run out every read gives zero
// or an empty text, so a target always finishes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace fuzz {

class Input {
 public:
  Input(const std::uint8_t *data, std::size_t size) : bytes_(data, size) {}

  bool empty() const { return bytes_.empty(); }

  template <class T>
  T number() {
    T value{};
    const std::size_t n = std::min(sizeof(T), bytes_.size());
    std::memcpy(&value, bytes_.data(), n);
    bytes_ = bytes_.subspan(n);
    return value;
  }

  // A value in [0, count), count > 0.
  std::size_t below(std::size_t count) { return number<std::uint16_t>() % count; }

  // Small integers most of the time (indices, counts), any int sometimes.
  int small_int() {
    const auto kind = number<std::uint8_t>();
    if (kind < 200) return static_cast<int>(kind % 24) - 3;
    return number<std::int32_t>();
  }

  float any_float() {
    static constexpr float common[] = {0.0f, 1.0f, -1.0f, 0.5f, 3600.0f, 1e30f, -1e30f};
    const auto kind = number<std::uint8_t>();
    if (kind < 128) return common[kind % std::size(common)];
    return number<float>();
  }

  std::string_view pick(std::initializer_list<std::string_view> words) {
    return words.begin()[below(words.size())];
  }

  // The bytes up to the next newline (or the end), at most max_size of them.
  std::string text(std::size_t max_size = 64) {
    std::size_t n = 0;
    while (n < bytes_.size() && n < max_size && bytes_[n] != '\n') ++n;
    std::string out(reinterpret_cast<const char *>(bytes_.data()), n);
    bytes_ = bytes_.subspan(std::min(bytes_.size(), n + 1));
    return out;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

inline std::string upper(std::string_view text) {
  std::string out(text);
  for (char &c : out) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return out;
}

// True when the text names a command that reaches outside the process's
// scratch folder (writes, changes folder, reads command files or devices).
inline bool reaches_the_disk(std::string_view text) {
  const std::string words = upper(text);
  for (std::string_view word : {"SAVE", "FOLDER", "RUN", "MEASURE", "LOAD"})
    if (words.find(word) != std::string::npos) return true;
  return false;
}

}  // namespace fuzz
