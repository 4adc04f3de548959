// Argument validation and result writing shared by every entry point. Nothing
// that can throw, abort or write out of bounds leaves this layer: each entry
// point runs its body through guarded(), reads its texts through text_in() and
// fills its output texts through text_out().
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "model/element_type.hpp"
#include "model/status.hpp"
#include "session/session.hpp"
#include "session/version.hpp"
#include "orvelle_sim.h"

namespace orv::api {

// The session of the entry points, the one instance of the process: it comes
// with the commands of the layers above the command language.
Session &default_session();

// An input text given as pointer and length: nullopt for a null pointer with a
// positive length or for a negative length. Trailing blanks and NULs (padding
// of fixed-length callers) are dropped; leading blanks too.
std::optional<std::string_view> text_in(const char *p, orv_len n);

// Longest text read up to a terminator (cShearStr's identifier).
inline constexpr std::size_t kMaxTerminatedText = 4096;

// Same, for a text read up to its terminating NUL, never beyond max_len;
// nullopt when no NUL comes within max_len.
std::optional<std::string_view> text_until_nul(const char *p, std::size_t max_len);

// Writes s into buf[0, n), blank-padded, truncated to n characters; nothing is
// written for a null buffer or n <= 0. Returns the count of characters of s
// written.
int text_out(char *buf, orv_len n, std::string_view s);

// Writes v through p when p is not null.
template <class T, class V>
void put(T *p, V v) {
  if (p) *p = static_cast<T>(v);
}

// Reads *p, or nullopt for a null pointer.
template <class T>
std::optional<T> get(const T *p) {
  if (!p) return std::nullopt;
  return *p;
}

// Records the failure as the engine's last error message.
void record_failure(Status s, const std::string &message) noexcept;

// Runs body; any exception becomes the failure value (a Failure keeps its
// status for status_of()) and the last error message.
template <class R, class F>
R guarded(R failure, F &&body) noexcept {
  try {
    return body();
  } catch (const Failure &f) {
    record_failure(f.status(), f.what());
  } catch (const std::exception &e) {
    record_failure(Status::Internal, e.what());
  } catch (...) {
    record_failure(Status::Internal, "unexpected internal failure");
  }
  return failure;
}

// Status-returning form: the Failure's own code, or Internal.
template <class F>
int guarded_status(F &&body) noexcept {
  int result = code(Status::Internal);
  try {
    body();
    return code(Status::Ok);
  } catch (const Failure &f) {
    record_failure(f.status(), f.what());
    result = code(f.status());
  } catch (const std::exception &e) {
    record_failure(Status::Internal, e.what());
  } catch (...) {
    record_failure(Status::Internal, "unexpected internal failure");
  }
  return result;
}

// Count-returning form: the count, or the negated status on failure.
template <class F>
int guarded_count(F &&body) noexcept {
  try {
    return body();
  } catch (const Failure &f) {
    record_failure(f.status(), f.what());
    return -code(f.status());
  } catch (const std::exception &e) {
    record_failure(Status::Internal, e.what());
  } catch (...) {
    record_failure(Status::Internal, "unexpected internal failure");
  }
  return -code(Status::Internal);
}

// Throwing checks used inside bodies.
[[noreturn]] void fail(Status s, const std::string &message);
std::string_view need_text(const char *p, orv_len n, const char *what);
template <class T>
T need(const T *p, const char *what) {
  if (!p) fail(Status::BadArgument, std::string("missing ") + what);
  return *p;
}
template <class T>
T &need_out(T *p, const char *what) {
  if (!p) fail(Status::BadArgument, std::string("missing output ") + what);
  return *p;
}

// The element type of a type code; Failure(BadArgument) otherwise.
ElementType need_type(const int *typelt);

// The caller's room for *nbval values: a count >= 0, with every output
// buffer present when it is positive; Failure(BadArgument) otherwise.
int need_room(const int *nbval, std::initializer_list<const void *> buffers);

}  // namespace orv::api
