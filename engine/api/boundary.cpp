#include "api/boundary.hpp"

#include <algorithm>
#include <cstring>

#include "session/session.hpp"

namespace orv::api {
namespace {

bool is_padding(char c) { return c == ' ' || c == '\0' || c == '\t'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && is_padding(s.back())) s.remove_suffix(1);
  while (!s.empty() && is_padding(s.front())) s.remove_prefix(1);
  return s;
}

}  // namespace

std::optional<std::string_view> text_in(const char *p, orv_len n) {
  if (n < 0) return std::nullopt;
  if (n == 0) return std::string_view{};
  if (!p) return std::nullopt;
  return trimmed(std::string_view(p, static_cast<std::size_t>(n)));
}

std::optional<std::string_view> text_until_nul(const char *p, std::size_t max_len) {
  if (!p) return std::nullopt;
  const void *end = std::memchr(p, '\0', max_len);
  if (!end) return std::nullopt;  // no terminator within reach: refuse
  return trimmed(std::string_view(p, static_cast<const char *>(end) - p));
}

int text_out(char *buf, orv_len n, std::string_view s) {
  if (!buf || n <= 0) return 0;
  const std::size_t room = static_cast<std::size_t>(n);
  const std::size_t count = std::min(room, s.size());
  std::memcpy(buf, s.data(), count);
  std::memset(buf + count, ' ', room - count);
  return static_cast<int>(count);
}

void record_failure(Status s, const std::string &message) noexcept {
  try {
    default_session().set_error(s, message);
  } catch (...) {
  }
}

void fail(Status s, const std::string &message) { throw Failure(s, message); }

std::string_view need_text(const char *p, orv_len n, const char *what) {
  auto t = text_in(p, n);
  if (!t) fail(Status::BadArgument, std::string("invalid text for ") + what);
  return *t;
}

ElementType need_type(const int *typelt) {
  const int code_value = need(typelt, "element type");
  auto t = element_type(code_value);
  if (!t) fail(Status::BadArgument, "unknown element type " + std::to_string(code_value));
  return *t;
}

int need_room(const int *nbval, std::initializer_list<const void *> buffers) {
  const int n = need(nbval, "count");
  if (n < 0) fail(Status::BadArgument, "negative count");
  if (n > 0)
    for (const void *b : buffers)
      if (!b) fail(Status::BadArgument, "missing output buffer");
  return n;
}

}  // namespace orv::api
