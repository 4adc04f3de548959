// The scripted engine: a test stand-in for libOrvelle_SIM_x64.so with the same
// 84 entry points (engine/include/orvelle_sim.h). Every call is appended to a
// log with its arguments decoded by their declared types; each call returns the
// values programmed for its entry point (function value and output arguments).
// It is driven from Python through the scripted_* functions at the end of this
// file (see tests/binding/scripted.py for the protocol and the Python API).
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "orvelle_sim.h"

#define SCRIPTED_API extern "C" __attribute__((visibility("default")))

namespace scripted {

// ---------------------------------------------------------------------------
// Kinds of parameters, derived from the C types of the header.
//   i const int*     h const int16_t*   f const float*   d const double*
//   s const char*    (text input)
//   I int*           B int8_t*          F float*         D double*
//   S char*          (text output)
//   l orv_len        (trailing text length, by value)
template <class T>
struct KindOf;
template <> struct KindOf<const int *> { static constexpr char k = 'i'; };
template <> struct KindOf<const int16_t *> { static constexpr char k = 'h'; };
template <> struct KindOf<const float *> { static constexpr char k = 'f'; };
template <> struct KindOf<const double *> { static constexpr char k = 'd'; };
template <> struct KindOf<const char *> { static constexpr char k = 's'; };
template <> struct KindOf<int *> { static constexpr char k = 'I'; };
template <> struct KindOf<int8_t *> { static constexpr char k = 'B'; };
template <> struct KindOf<float *> { static constexpr char k = 'F'; };
template <> struct KindOf<double *> { static constexpr char k = 'D'; };
template <> struct KindOf<char *> { static constexpr char k = 'S'; };
template <> struct KindOf<orv_len> { static constexpr char k = 'l'; };

template <class R>
struct RetKind;
template <> struct RetKind<int> { static constexpr char k = 'i'; };
template <> struct RetKind<float> { static constexpr char k = 'f'; };

template <class R, class... A>
struct Sig {
  static constexpr char ret = RetKind<R>::k;
  static constexpr char kinds[] = {KindOf<A>::k..., '\0'};
};
template <class R, class... A>
constexpr Sig<R, A...> sig_of(R (*)(A...)) {
  return {};
}
#define SCRIPTED_SIG(f) decltype(scripted::sig_of(&f))

// One row of the generated entry table.
struct EntryDef {
  const char *name;
  char ret;
  const char *kinds;
  const char *layout;  // parameter names; "p[count]" arrays, "p[nul]" NUL-terminated text
};
extern const EntryDef kEntryDefs[84];
constexpr int kNumEntries = 84;

// Limits on what is read from the caller's memory for the log.
constexpr int64_t kMaxText = 1 << 20;      // bytes of one input text
constexpr int64_t kMaxArray = 100000;      // elements of one input array

// ---------------------------------------------------------------------------
// Parsed table.
struct Param {
  std::string name;
  char kind = 0;
  bool array = false;
  bool nul = false;
  std::string count;               // array count expression as written
  std::vector<int> count_params;   // indices of int inputs multiplied
  int64_t count_const = 1;
  int len_index = -1;              // text params: index of their trailing length
};

struct Entry {
  std::string name;
  char ret = 'i';
  std::vector<Param> params;
  std::map<std::string, int> index;
};

struct Num {
  bool is_int = true;
  long long i = 0;
  double d = 0;
  double as_double() const { return is_int ? static_cast<double>(i) : d; }
  long long as_int() const {
    if (is_int) return i;
    if (!std::isfinite(d)) return 0;
    if (d >= 9.2e18) return INT64_MAX;
    if (d <= -9.2e18) return INT64_MIN;
    return static_cast<long long>(d);
  }
};

struct Value {
  char tag = 'n';  // n number, t text, a array
  Num num;
  std::string bytes;
  std::vector<Num> arr;
};

using Program = std::map<std::string, Value>;

struct EntryState {
  Program sticky;
  std::deque<Program> once;
};

struct State {
  std::mutex mu;
  std::vector<Entry> entries;
  std::map<std::string, int> by_name;
  std::string table_error;  // non-empty when the table does not parse
  std::vector<EntryState> programs;
  std::vector<std::string> log;  // one JSON object per call
  std::string last_error;
};

// Integers are narrowed like a C cast (two's complement, modulo 2**32), so a
// test can program a return value whose low 16 bits only are meaningful.
static int32_t wrap32(long long v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

static void build_table(State &st) {
  st.entries.resize(kNumEntries);
  st.programs.resize(kNumEntries);
  for (int e = 0; e < kNumEntries; ++e) {
    const EntryDef &def = kEntryDefs[e];
    Entry &en = st.entries[e];
    en.name = def.name;
    en.ret = def.ret;
    st.by_name[en.name] = e;
    std::vector<std::string> toks;
    {
      std::string cur;
      for (const char *p = def.layout;; ++p) {
        if (*p == ' ' || *p == '\0') {
          if (!cur.empty()) toks.push_back(cur);
          cur.clear();
          if (*p == '\0') break;
        } else {
          cur += *p;
        }
      }
    }
    size_t nkinds = std::strlen(def.kinds);
    if (toks.size() != nkinds) {
      st.table_error += en.name + ": layout has " + std::to_string(toks.size()) + " names for " +
                        std::to_string(nkinds) + " parameters; ";
      continue;
    }
    for (size_t k = 0; k < toks.size(); ++k) {
      Param p;
      p.kind = def.kinds[k];
      std::string t = toks[k];
      size_t br = t.find('[');
      if (br != std::string::npos) {
        std::string inner = t.substr(br + 1, t.size() - br - 2);
        t = t.substr(0, br);
        if (inner == "nul") {
          p.nul = true;
        } else {
          p.array = true;
          p.count = inner;
        }
      }
      p.name = t;
      en.index[p.name] = static_cast<int>(k);
      en.params.push_back(p);
    }
    // Resolve array counts (products of int inputs and constants).
    for (Param &p : en.params) {
      if (!p.array) continue;
      if (!(p.kind == 'i' || p.kind == 'f' || p.kind == 'd' || p.kind == 'I' || p.kind == 'F' ||
            p.kind == 'D'))
        st.table_error += en.name + "." + p.name + ": array of a non-numeric kind; ";
      size_t start = 0;
      while (start <= p.count.size()) {
        size_t star = p.count.find('*', start);
        std::string term = p.count.substr(start, star == std::string::npos ? std::string::npos : star - start);
        if (!term.empty() && term.find_first_not_of("0123456789") == std::string::npos) {
          p.count_const *= std::atoll(term.c_str());
        } else {
          auto it = en.index.find(term);
          if (it == en.index.end() || en.params[it->second].kind != 'i')
            st.table_error += en.name + "." + p.name + ": count term '" + term + "' is not an int input; ";
          else
            p.count_params.push_back(it->second);
        }
        if (star == std::string::npos) break;
        start = star + 1;
      }
    }
    // Pair texts with their trailing lengths, in argument order.
    std::vector<int> texts, lens;
    for (size_t k = 0; k < en.params.size(); ++k) {
      const Param &p = en.params[k];
      if ((p.kind == 's' || p.kind == 'S') && !p.nul) texts.push_back(static_cast<int>(k));
      if (p.kind == 'l') lens.push_back(static_cast<int>(k));
      if (p.nul && p.kind != 's') st.table_error += en.name + "." + p.name + ": [nul] on a non-text; ";
    }
    if (texts.size() != lens.size()) {
      st.table_error += en.name + ": " + std::to_string(texts.size()) + " texts but " +
                        std::to_string(lens.size()) + " lengths; ";
    } else {
      for (size_t k = 0; k < texts.size(); ++k) en.params[texts[k]].len_index = lens[k];
    }
  }
}

static State &state() {
  static State *st = [] {
    auto *s = new State();  // never destroyed: calls may come during exit
    build_table(*s);
    return s;
  }();
  return *st;
}

// ---------------------------------------------------------------------------
// JSON rendering.
static void json_string(std::string &out, const char *p, size_t n) {
  out += '"';
  for (size_t k = 0; k < n; ++k) {
    unsigned char c = static_cast<unsigned char>(p[k]);
    if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    }
  }
  out += '"';
}
static void json_string(std::string &out, const std::string &s) { json_string(out, s.data(), s.size()); }

static void json_double(std::string &out, double v) {
  if (std::isnan(v)) {
    out += "NaN";
  } else if (std::isinf(v)) {
    out += v > 0 ? "Infinity" : "-Infinity";
  } else {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    out += buf;
    // Keep floats recognisable as floats in Python (1.0, not 1).
    if (std::strpbrk(buf, ".eE") == nullptr) out += ".0";
  }
}

static void json_int(std::string &out, long long v) { out += std::to_string(v); }

// ---------------------------------------------------------------------------
// One call.
static int64_t count_of(const Param &p, const uint64_t *w) {
  int64_t n = p.count_const;
  if (n < 0) return 0;
  for (int idx : p.count_params) {
    const int *q = reinterpret_cast<const int *>(w[idx]);
    int64_t v = q ? *q : 0;
    if (v <= 0) return 0;
    if (n > (INT64_MAX / 2) / v) return INT64_MAX / 2;  // saturate, never overflow
    n *= v;
  }
  return n;
}

static void record(const Entry &en, const uint64_t *w, std::string &out) {
  out += "{\"name\":";
  json_string(out, en.name);
  out += ",\"args\":[";
  bool first = true;
  for (size_t k = 0; k < en.params.size(); ++k) {
    const Param &p = en.params[k];
    if (p.kind == 'I' || p.kind == 'B' || p.kind == 'F' || p.kind == 'D' || p.kind == 'S') continue;
    if (!first) out += ',';
    first = false;
    out += '[';
    json_string(out, p.name);
    out += ",\"";
    const void *ptr = reinterpret_cast<const void *>(w[k]);
    if (p.kind == 'l') {
      out += "i\",";
      json_int(out, static_cast<long long>(static_cast<int64_t>(w[k])));
    } else if (p.array) {
      out += "a\",";
      if (!ptr) {
        out += "null";
      } else {
        int64_t n = count_of(p, w);
        if (n > kMaxArray) n = kMaxArray;
        out += '[';
        for (int64_t j = 0; j < n; ++j) {
          if (j) out += ',';
          if (p.kind == 'i') json_int(out, static_cast<const int *>(ptr)[j]);
          else if (p.kind == 'f') json_double(out, static_cast<const float *>(ptr)[j]);
          else json_double(out, static_cast<const double *>(ptr)[j]);
        }
        out += ']';
      }
    } else if (p.kind == 's') {
      out += "t\",";
      if (!ptr) {
        out += "null";
      } else if (p.nul) {
        json_string(out, static_cast<const char *>(ptr), strnlen(static_cast<const char *>(ptr), kMaxText));
      } else {
        int64_t n = p.len_index >= 0 ? static_cast<int64_t>(w[p.len_index]) : 0;
        if (n < 0) n = 0;
        if (n > kMaxText) n = kMaxText;
        json_string(out, static_cast<const char *>(ptr), static_cast<size_t>(n));
      }
    } else {
      out += (p.kind == 'i' || p.kind == 'h') ? "i\"," : "f\",";
      if (!ptr) out += "null";
      else if (p.kind == 'i') json_int(out, *static_cast<const int *>(ptr));
      else if (p.kind == 'h') json_int(out, *static_cast<const int16_t *>(ptr));
      else if (p.kind == 'f') json_double(out, *static_cast<const float *>(ptr));
      else json_double(out, *static_cast<const double *>(ptr));
    }
    out += ']';
  }
  out += "]}";
}

static void write_output(const Param &p, const Value &v, const uint64_t *w, int k) {
  void *ptr = reinterpret_cast<void *>(w[k]);
  if (!ptr) return;
  if (p.array) {
    if (v.tag != 'a') return;
    int64_t n = count_of(p, w);
    int64_t m = static_cast<int64_t>(v.arr.size());
    if (m < n) n = m;
    for (int64_t j = 0; j < n; ++j) {
      if (p.kind == 'I') static_cast<int32_t *>(ptr)[j] = wrap32(v.arr[j].as_int());
      else if (p.kind == 'F') static_cast<float *>(ptr)[j] = static_cast<float>(v.arr[j].as_double());
      else if (p.kind == 'D') static_cast<double *>(ptr)[j] = v.arr[j].as_double();
    }
    return;
  }
  switch (p.kind) {
    case 'I':
      if (v.tag == 'n') *static_cast<int32_t *>(ptr) = wrap32(v.num.as_int());
      break;
    case 'B':
      if (v.tag == 'n') *static_cast<int8_t *>(ptr) = static_cast<int8_t>(v.num.as_int());
      break;
    case 'F':
      if (v.tag == 'n') *static_cast<float *>(ptr) = static_cast<float>(v.num.as_double());
      break;
    case 'D':
      if (v.tag == 'n') *static_cast<double *>(ptr) = v.num.as_double();
      break;
    case 'S': {
      if (v.tag != 't') return;
      int64_t cap = p.len_index >= 0 ? static_cast<int64_t>(w[p.len_index]) : 0;
      int64_t n = static_cast<int64_t>(v.bytes.size());
      if (n > cap) n = cap;
      if (n > 0) std::memcpy(ptr, v.bytes.data(), static_cast<size_t>(n));
      break;
    }
    default:
      break;
  }
}

struct Outcome {
  long long i = 0;
  double f = 0;
};

Outcome dispatch(int id, const uint64_t *w) {
  State &st = state();
  std::lock_guard<std::mutex> lock(st.mu);
  Outcome res;
  if (id < 0 || id >= kNumEntries) return res;
  const Entry &en = st.entries[id];
  std::string rec;
  record(en, w, rec);
  st.log.push_back(std::move(rec));

  EntryState &es = st.programs[id];
  Program prog = es.sticky;
  if (!es.once.empty()) {
    for (auto &kv : es.once.front()) prog[kv.first] = kv.second;
    es.once.pop_front();
  }
  for (const auto &kv : prog) {
    if (kv.first == "ret") {
      if (kv.second.tag == 'n') {
        res.i = kv.second.num.as_int();
        res.f = kv.second.num.as_double();
      }
      continue;
    }
    auto it = en.index.find(kv.first);
    if (it == en.index.end()) continue;
    write_output(en.params[it->second], kv.second, w, it->second);
  }
  return res;
}

template <class T>
uint64_t to_word(T v) {
  if constexpr (std::is_pointer_v<T>)
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(v));
  else
    return static_cast<uint64_t>(v);
}

template <class R, class... A>
R run(int id, A... a) {
  const uint64_t w[sizeof...(A) + 1] = {to_word(a)..., 0};
  Outcome o = dispatch(id, w);
  if constexpr (std::is_same_v<R, float>)
    return static_cast<float>(o.f);
  else
    return wrap32(o.i);
}

// ---------------------------------------------------------------------------
// Program parsing: one item per line, "<name> <tag> <payload>":
//   n <number>            a number (integer or real; nan, inf accepted)
//   t <hex digits>        raw bytes (may be empty)
//   a <number> ...        an array of numbers (may be empty)
static bool parse_num(const std::string &s, Num &out) {
  if (s.empty()) return false;
  errno = 0;
  char *end = nullptr;
  long long i = std::strtoll(s.c_str(), &end, 10);
  if (*end == '\0' && errno == 0) {
    out.is_int = true;
    out.i = i;
    out.d = static_cast<double>(i);
    return true;
  }
  errno = 0;
  double d = std::strtod(s.c_str(), &end);
  if (*end != '\0') return false;
  out.is_int = false;
  out.d = d;
  return true;
}

static int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

static bool parse_program(const Entry &en, const char *text, Program &prog, std::string &err) {
  std::string all = text ? text : "";
  size_t pos = 0;
  while (pos < all.size()) {
    size_t nl = all.find('\n', pos);
    std::string line = all.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? all.size() : nl + 1;
    if (line.empty()) continue;
    std::vector<std::string> toks;
    size_t a = 0;
    while (a < line.size()) {
      size_t b = line.find(' ', a);
      if (b == std::string::npos) b = line.size();
      if (b > a) toks.push_back(line.substr(a, b - a));
      a = b + 1;
    }
    if (toks.size() < 2 || toks[1].size() != 1) {
      err = en.name + ": malformed program line '" + line + "'";
      return false;
    }
    const std::string &key = toks[0];
    Value v;
    v.tag = toks[1][0];
    // Which kind does this key accept?
    char want;
    if (key == "ret") {
      want = 'n';
    } else {
      auto it = en.index.find(key);
      if (it == en.index.end()) {
        err = en.name + " has no parameter '" + key + "'";
        return false;
      }
      const Param &p = en.params[it->second];
      if (p.kind == 'S') want = 't';
      else if (p.kind == 'I' || p.kind == 'B' || p.kind == 'F' || p.kind == 'D') want = p.array ? 'a' : 'n';
      else {
        err = en.name + ": parameter '" + key + "' is an input, not an output";
        return false;
      }
    }
    if (v.tag != want) {
      const char *what = want == 'n' ? "a number" : want == 't' ? "a text (bytes)" : "an array (list of numbers)";
      err = en.name + ": '" + key + "' takes " + what;
      return false;
    }
    if (v.tag == 'n') {
      if (toks.size() != 3 || !parse_num(toks[2], v.num)) {
        err = en.name + ": '" + key + "': bad number";
        return false;
      }
    } else if (v.tag == 't') {
      std::string hex = toks.size() > 2 ? toks[2] : "";
      if (toks.size() > 3 || hex.size() % 2) {
        err = en.name + ": '" + key + "': bad hex text";
        return false;
      }
      for (size_t k = 0; k < hex.size(); k += 2) {
        int hi = hexval(hex[k]), lo = hexval(hex[k + 1]);
        if (hi < 0 || lo < 0) {
          err = en.name + ": '" + key + "': bad hex text";
          return false;
        }
        v.bytes += static_cast<char>(hi * 16 + lo);
      }
    } else {
      for (size_t k = 2; k < toks.size(); ++k) {
        Num n;
        if (!parse_num(toks[k], n)) {
          err = en.name + ": '" + key + "': bad array element '" + toks[k] + "'";
          return false;
        }
        v.arr.push_back(n);
      }
    }
    prog[key] = v;
  }
  return true;
}

static int64_t copy_out(const std::string &s, char *buf, int64_t cap) {
  if (buf && cap > 0) std::memcpy(buf, s.data(), static_cast<size_t>(std::min<int64_t>(cap, s.size())));
  return static_cast<int64_t>(s.size());
}

static int find_entry(State &st, const char *name) {
  if (!name) return -1;
  auto it = st.by_name.find(name);
  return it == st.by_name.end() ? -1 : it->second;
}

}  // namespace scripted

// ---------------------------------------------------------------------------
// The 84 entry points and their table.
#define SCRIPTED_ENTRY_TABLE
#define SCRIPTED_ENTRY_DEFINITIONS
#include "entries.inc"

// ---------------------------------------------------------------------------
// Control API (C linkage). Texts returned through (buf, cap) are copied up to
// cap bytes, without NUL; the function value is the full length.
using scripted::State;

// Clears the call log and every program.
SCRIPTED_API void scripted_reset(void) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  st.log.clear();
  for (auto &p : st.programs) {
    p.sticky.clear();
    p.once.clear();
  }
  st.last_error.clear();
}

SCRIPTED_API void scripted_clear_log(void) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  st.log.clear();
}

SCRIPTED_API int64_t scripted_log_size(void) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  return static_cast<int64_t>(st.log.size());
}

// The calls from index start on, as a JSON array of
// {"name": entry, "args": [[param, tag, value], ...]}, tag "i" int, "f" real,
// "t" text (a string of code points 0-255, one per byte), "a" array; value null
// for a null pointer.
SCRIPTED_API int64_t scripted_log_json(int64_t start, char *buf, int64_t cap) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  std::string out = "[";
  if (start < 0) start = 0;
  for (size_t k = static_cast<size_t>(start); k < st.log.size(); ++k) {
    if (k > static_cast<size_t>(start)) out += ',';
    out += st.log[k];
  }
  out += ']';
  return scripted::copy_out(out, buf, cap);
}

// Programs an entry point: once == 0 merges the items into its sticky program,
// once != 0 appends a one-shot program to its queue. Returns 0, or -1 with
// scripted_last_error set (the program is then left unchanged).
SCRIPTED_API int scripted_program(const char *entry, const char *items, int once) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  int id = scripted::find_entry(st, entry);
  if (id < 0) {
    st.last_error = std::string("no entry point named '") + (entry ? entry : "(null)") + "'";
    return -1;
  }
  scripted::Program prog;
  if (!scripted::parse_program(st.entries[id], items, prog, st.last_error)) return -1;
  if (once) {
    st.programs[id].once.push_back(prog);
  } else {
    for (auto &kv : prog) st.programs[id].sticky[kv.first] = kv.second;
  }
  return 0;
}

// Forgets the programs (sticky and queued) of one entry point, or of all when
// entry is NULL. Returns 0, or -1 for an unknown name.
SCRIPTED_API int scripted_unprogram(const char *entry) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  if (!entry) {
    for (auto &p : st.programs) {
      p.sticky.clear();
      p.once.clear();
    }
    return 0;
  }
  int id = scripted::find_entry(st, entry);
  if (id < 0) {
    st.last_error = std::string("no entry point named '") + entry + "'";
    return -1;
  }
  st.programs[id].sticky.clear();
  st.programs[id].once.clear();
  return 0;
}

// Number of one-shot programs not yet consumed, for one entry point or all
// (entry NULL); -1 for an unknown name.
SCRIPTED_API int64_t scripted_pending(const char *entry) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  if (!entry) {
    int64_t n = 0;
    for (auto &p : st.programs) n += static_cast<int64_t>(p.once.size());
    return n;
  }
  int id = scripted::find_entry(st, entry);
  return id < 0 ? -1 : static_cast<int64_t>(st.programs[id].once.size());
}

SCRIPTED_API int64_t scripted_last_error(char *buf, int64_t cap) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  return scripted::copy_out(st.last_error, buf, cap);
}

// The entry table as JSON: {"error": text, "entries": [{"name", "ret",
// "params": [{"name", "kind", "count"?, "nul"?}]}]}; kind letters as in
// scripted::KindOf. error is empty when the table is consistent.
SCRIPTED_API int64_t scripted_signatures_json(char *buf, int64_t cap) {
  State &st = scripted::state();
  std::lock_guard<std::mutex> lock(st.mu);
  std::string out = "{\"error\":";
  scripted::json_string(out, st.table_error);
  out += ",\"entries\":[";
  for (size_t e = 0; e < st.entries.size(); ++e) {
    const scripted::Entry &en = st.entries[e];
    if (e) out += ',';
    out += "{\"name\":";
    scripted::json_string(out, en.name);
    out += ",\"ret\":\"";
    out += en.ret;
    out += "\",\"params\":[";
    for (size_t k = 0; k < en.params.size(); ++k) {
      const scripted::Param &p = en.params[k];
      if (k) out += ',';
      out += "{\"name\":";
      scripted::json_string(out, p.name);
      out += ",\"kind\":\"";
      out += p.kind;
      out += '"';
      if (p.array) {
        out += ",\"count\":";
        scripted::json_string(out, p.count);
      }
      if (p.nul) out += ",\"nul\":true";
      out += '}';
    }
    out += "]}";
  }
  out += "]}";
  return scripted::copy_out(out, buf, cap);
}

// Marker: a process can tell the scripted engine from the real one by this symbol.
SCRIPTED_API int scripted_engine_marker(void) { return 84; }
