// One call of a routine: parse, convert in declaration order, prepare hidden
// outputs, run the body, build the result.
#include <array>
#include <cmath>
#include <memory>

#include "internal.hpp"

namespace frame {
namespace {

// Everything one call owns; released on every path.
struct CallState {
  std::array<Slot, max_slots> slots{};
  std::array<std::string, max_slots> texts;
  std::array<PyObject *, max_slots> arrays{};  // owned references
  ~CallState() {
    for (PyObject *a : arrays) Py_XDECREF(a);
  }
  PyObject *take_array(int slot) {
    PyObject *a = arrays[slot];
    arrays[slot] = nullptr;
    return a;
  }
};

void set_array(Slot &slot, PyArrayObject *arr) {
  slot.data = PyArray_DATA(arr);
  slot.size = PyArray_SIZE(arr);
  slot.n = PyArray_NDIM(arr) ? PyArray_DIM(arr, 0) : 1;
}

// Declared extents: fixed from earlier items (negative counts as free), else free.
int64_t extent_value(const Extent &e, const CallState &state, const Routine &r) {
  if (e.ref < 0) return std::isdigit(static_cast<unsigned char>(e.text[0])) ? e.constant : -1;
  return state.slots[r.decls[e.ref].slot].i;
}

bool convert_input_array(const Routine &r, const Decl &d, PyObject *obj, CallState &state) {
  npy_intp dims[2];
  int rank = static_cast<int>(d.extents.size());
  for (int k = 0; k < rank; ++k) {
    int64_t v = extent_value(d.extents[k], state, r);
    dims[k] = v < 0 ? -1 : v;
  }
  PyArrayObject *arr = array_from_object(d.type_num, dims, rank, obj);
  if (!arr) {
    if (!PyErr_Occurred()) PyErr_SetString(r.error, d.message.c_str());
    return false;
  }
  state.arrays[d.slot] = reinterpret_cast<PyObject *>(arr);
  set_array(state.slots[d.slot], arr);
  // The conversion's first extent, not the object's: a nested list given for
  // a rank-1 array counts all its elements.
  if (rank > 0) state.slots[d.slot].n = dims[0];
  return true;
}

bool create_hidden_array(const Routine &r, const Decl &d, CallState &state) {
  npy_intp dims[2];
  int rank = static_cast<int>(d.extents.size());
  bool negative = false;
  for (int k = 0; k < rank; ++k) {
    dims[k] = extent_value(d.extents[k], state, r);
    negative |= dims[k] < 0;
  }
  if (negative) {
    std::string text = "failed to create intent(cache|hide)|optional array-- must have defined dimensions but got (";
    for (int k = 0; k < rank; ++k) text += std::to_string(dims[k]) + ",";
    PyErr_SetString(PyExc_ValueError, (text + ")").c_str());
    return false;
  }
  PyObject *arr = PyArray_ZEROS(rank, dims, d.type_num, 1);
  if (!arr) {
    if (!PyErr_Occurred()) PyErr_SetString(r.error, d.message.c_str());
    return false;
  }
  state.arrays[d.slot] = arr;
  set_array(state.slots[d.slot], reinterpret_cast<PyArrayObject *>(arr));
  return true;
}

bool run_check(const Routine &r, const Decl &check, CallState &state) {
  const Decl &array = r.decls[check.check_array];
  int64_t length = state.slots[array.slot].n;
  if (check.check_bound_ref < 0) {
    if (length >= check.check_bound_literal) return true;
    PyErr_Format(r.error, "(%s) failed for %s %s", check.check_text.c_str(),
                 array.ordinal.c_str(), array.name.c_str());
    return false;
  }
  const Decl &bound = r.decls[check.check_bound_ref];
  int32_t value = state.slots[bound.slot].i;
  if (length >= value) return true;
  PyErr_Format(r.error, "(%s) failed for %s %s: %s:%s=%d", check.check_text.c_str(),
               bound.ordinal.c_str(), bound.name.c_str(), r.name.c_str(), bound.name.c_str(),
               value);
  return false;
}

// Converts one input; an optional left out or None takes its default.
bool convert_input(const Routine &r, const Decl &d, PyObject *obj, CallState &state) {
  Slot &slot = state.slots[d.slot];
  bool defaulted = d.optional && (obj == nullptr || obj == Py_None);
  if (defaulted && d.kind != Kind::String) {
    if (d.default_len_of >= 0)
      slot.i = static_cast<int32_t>(state.slots[r.decls[d.default_len_of].slot].n);
    else if (d.kind == Kind::Real)
      slot.f = static_cast<float>(d.default_value);
    else if (d.kind == Kind::Double)
      slot.d = d.default_value;
    else
      slot.i = static_cast<int32_t>(d.default_value);
    return true;
  }
  switch (d.kind) {
    case Kind::Int:
      return int_from_object(slot.i, obj, d.message, r.error);
    case Kind::Logical:
      return logical_from_object(slot.i, obj);
    case Kind::Real: {
      double v;
      if (!double_from_object(v, obj, d.message, r.error)) return false;
      slot.f = static_cast<float>(v);
      return true;
    }
    case Kind::Double:
      return double_from_object(slot.d, obj, d.message, r.error);
    case Kind::String: {
      int64_t length = -1;
      std::string &buffer = state.texts[d.slot];
      if (!string_from_object(buffer, length, defaulted ? Py_None : obj, d.message, r.error))
        return false;
      slot.text = {buffer.data(), length};
      return true;
    }
    case Kind::Array:
      return convert_input_array(r, d, obj, state);
    case Kind::Byte:
    case Kind::Check:
      break;
  }
  return false;
}

bool prepare_hidden(const Routine &r, const Decl &d, CallState &state) {
  Slot &slot = state.slots[d.slot];
  switch (d.kind) {
    case Kind::String: {
      int64_t length = d.fixed_length;
      std::string &buffer = state.texts[d.slot];
      if (!string_from_object(buffer, length, Py_None, d.message, r.error)) return false;
      slot.text = {buffer.data(), length};
      return true;
    }
    case Kind::Array:
      return create_hidden_array(r, d, state);
    default:
      slot.d = 0;  // clears every scalar member
      return true;
  }
}

PyObject *build_value(const Decl &d, CallState &state) {
  Slot &slot = state.slots[d.slot];
  switch (d.kind) {
    case Kind::Int: case Kind::Logical: return PyLong_FromLong(slot.i);
    case Kind::Byte: return PyLong_FromLong(slot.b);
    case Kind::Real: return PyFloat_FromDouble(slot.f);
    case Kind::Double: return PyFloat_FromDouble(slot.d);
    case Kind::String: return PyBytes_FromString(slot.text.p);  // up to the first NUL
    case Kind::Array: return state.take_array(d.slot);
    case Kind::Check: break;
  }
  return nullptr;
}

PyObject *build_result(const Routine &r, CallState &state) {
  if (r.results.empty()) Py_RETURN_NONE;
  if (r.results.size() == 1) return build_value(r.decls[r.results[0]], state);
  PyObject *tuple = PyTuple_New(static_cast<Py_ssize_t>(r.results.size()));
  if (!tuple) return nullptr;
  for (std::size_t k = 0; k < r.results.size(); ++k) {
    PyObject *value = build_value(r.decls[r.results[k]], state);
    if (!value) {
      Py_DECREF(tuple);
      return nullptr;
    }
    PyTuple_SET_ITEM(tuple, static_cast<Py_ssize_t>(k), value);
  }
  return tuple;
}

}  // namespace

PyObject *call_routine(const Routine &r, PyObject *args, PyObject *kwargs) {
  std::array<PyObject *, max_python_params> objs{};
  // Positional calls within the parameter count need no parser; anything else
  // goes through Python's own, which also words the argument errors.
  Py_ssize_t given = PyTuple_GET_SIZE(args);
  if ((kwargs == nullptr || PyDict_GET_SIZE(kwargs) == 0) && given >= r.required_count &&
      given <= r.python_count) {
    for (Py_ssize_t k = 0; k < given; ++k) objs[k] = PyTuple_GET_ITEM(args, k);
  } else if (!PyArg_ParseTupleAndKeywords(args, kwargs, r.parse_format.c_str(),
                                          const_cast<char **>(r.keyword_list.data()), &objs[0],
                                          &objs[1], &objs[2], &objs[3], &objs[4], &objs[5],
                                          &objs[6], &objs[7])) {
    return nullptr;
  }
  CallState state;
  // Inputs and checks first, in declaration order; then the hidden outputs.
  for (const Decl &d : r.decls) {
    bool ok = d.kind == Kind::Check ? run_check(r, d, state)
              : d.input             ? convert_input(r, d, objs[d.python_index], state)
                                    : true;
    if (!ok) return nullptr;
  }
  for (const Decl &d : r.decls)
    if (d.kind != Kind::Check && !d.input && !prepare_hidden(r, d, state)) return nullptr;
  r.def->invoke(state.slots.data());
  if (PyErr_Occurred()) return nullptr;
  return build_result(r, state);
}

}  // namespace frame
