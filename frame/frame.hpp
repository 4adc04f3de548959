// The extension-module frame: what a module definition needs to declare its
// routines. A routine is one descriptor: its signature line, its declarations
// and one short body (a capture-less lambda). Parsing, conversion, hidden
// outputs, docstrings and result building are all derived from the descriptor.
//
//   routine("val = nodeattr(sid,sattr)", "sid:s sattr:s val:f",
//           [](Text sid, Text sattr, float &val) { ... })
//
// Signature line: results joined by "," and " = " (left out when none), the
// routine name, the Python parameters in parentheses, optional ones inside
// square brackets: "istat = inimelfld([folder])".
//
// Declarations: space-separated items in conversion order, which is also the
// order of the body's parameters. Each item is "name:type", optionally
// followed by "=default" for optional parameters.
//   i  int (32-bit)         l  logical (truth value, 32-bit 0/1)
//   f  real (32-bit float)  d  double
//   b  1-byte integer (hidden output only)
//   s  string input (any length); sN hidden string output of N characters
//   f(e1,...), d(...), i(...)  arrays; each extent a constant or a parameter
//   name. An extent naming a parameter converted later is free (the
//   array's own length); one naming a parameter converted earlier is fixed.
// Defaults: "=len(x)" (first extent of converted array x, shown in the docs),
// a numeric constant "=0" or the empty text "=''" (not shown).
// A check item "?len(a)>=b" (b a parameter
// or a non-negative literal) is evaluated at its place in the order.
// Parameters named in the signature line are inputs; results are hidden
// outputs, prepared before the body runs (zeros, blanks, zero-filled arrays).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

struct _object;  // PyObject

namespace frame {

// A text handed to a body: p[0..n) are its characters and p[n] is a NUL.
struct Text {
  char *p;
  int64_t n;
};

// An array handed to a body: p is its first element, n its first extent and
// size its element count (they differ only for rank 2).
template <class T>
struct Array {
  T *p;
  int64_t n;
  int64_t size;
};

// Storage of one declared item during one call.
struct Slot {
  union {
    int32_t i;
    float f;
    double d;
    int8_t b;
  };
  Text text;
  void *data;
  int64_t n;
  int64_t size;
};

namespace detail {
template <class T>
struct SlotAccess;
// Scalars: the union member of the parameter's type.
template <class T>
struct SlotAccess<T &> {
  static_assert(std::is_same_v<T, int32_t> || std::is_same_v<T, float> ||
                std::is_same_v<T, double> || std::is_same_v<T, int8_t>);
  static constexpr char kind = std::is_same_v<T, int32_t> ? 'i'
                               : std::is_same_v<T, float> ? 'f'
                               : std::is_same_v<T, double> ? 'd' : 'b';
  static T &get(Slot &s) {
    if constexpr (std::is_same_v<T, int32_t>) return s.i;
    else if constexpr (std::is_same_v<T, float>) return s.f;
    else if constexpr (std::is_same_v<T, double>) return s.d;
    else return s.b;
  }
};
template <>
struct SlotAccess<Text> {
  static constexpr char kind = 's';
  static Text get(Slot &s) { return s.text; }
};
template <class T>
constexpr char array_kind = std::is_same_v<T, float> ? 'F' : std::is_same_v<T, double> ? 'D' : 'I';
template <class T>
struct SlotAccess<Array<T>> {
  static_assert(std::is_same_v<T, float> || std::is_same_v<T, double> || std::is_same_v<T, int32_t>);
  static constexpr char kind = array_kind<T>;
  static Array<T> get(Slot &s) { return {static_cast<T *>(s.data), s.n, s.size}; }
};

template <class F, class... A, std::size_t... I>
void call_body(Slot *slots, std::index_sequence<I...>) {
  F{}(SlotAccess<A>::get(slots[I])...);
}

template <class F, class... A>
struct BodyTraits {
  static void invoke(Slot *slots) { call_body<F, A...>(slots, std::index_sequence_for<A...>{}); }
  static constexpr char kinds[] = {SlotAccess<A>::kind..., '\0'};
};

template <class F, class R, class... A>
constexpr BodyTraits<F, A...> traits_of(R (F::*)(A...) const) {
  return {};
}
}  // namespace detail

// One routine of a module.
struct RoutineDef {
  const char *signature;
  const char *declarations;
  void (*invoke)(Slot *);
  // One character per body parameter, checked against the declarations at
  // import: i int32_t&, f float&, d double&, b int8_t&, s Text, F/D/I arrays.
  const char *body_kinds;
};

template <class F>
constexpr RoutineDef routine(const char *signature, const char *declarations, F) {
  using Traits = decltype(detail::traits_of(&F::operator()));
  return {signature, declarations, &Traits::invoke, Traits::kinds};
}

// A 32-bit integer module variable of the group; constants are read-only.
struct VariableDef {
  const char *name;
  int32_t *storage;
  bool constant;
};

struct ModuleDef {
  const char *name;                     // "_pyorvsim"
  std::span<const RoutineDef> routines;  // registration order
  const char *group_name;               // nullptr: no variable group
  std::span<const VariableDef> variables;
};

// Builds the module (numpy check, docstrings, routine objects, group).
// Returns a new reference, or nullptr with ImportError set.
_object *init_module(const ModuleDef &def);

}  // namespace frame
