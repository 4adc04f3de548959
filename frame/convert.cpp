// Conversions of Python objects to the native values handed to bodies.
#include <climits>
#include <cstring>

#include "internal.hpp"

namespace frame {
namespace {

// Replaces the text of the pending error (or raises the module's error).
void fail_with(const std::string &message, PyObject *error) {
  PyObject *pending = PyErr_Occurred();
  PyObject *type = pending ? pending : error;
  // Unicode errors cannot be built from a plain text: report them as ValueError.
  if (pending && PyErr_GivenExceptionMatches(pending, PyExc_UnicodeError)) type = PyExc_ValueError;
  Py_INCREF(type);
  PyErr_Clear();
  PyErr_SetString(type, message.c_str());
  Py_DECREF(type);
}

// The fallback of the numeric conversions: a complex number gives its real
// part, a sequence that is neither str nor bytes its first item.
PyObject *fallback_item(PyObject *obj) {
  if (PyComplex_Check(obj)) {
    PyErr_Clear();
    return PyObject_GetAttrString(obj, "real");
  }
  if (PyBytes_Check(obj) || PyUnicode_Check(obj)) return nullptr;
  if (PySequence_Check(obj)) {
    PyErr_Clear();
    return PySequence_GetItem(obj, 0);
  }
  return nullptr;
}

// An int that fits 32 bits; a wider one leaves OverflowError pending.
bool int32_of_long(int32_t &out, PyObject *value) {
  long v = PyLong_AsLong(value);
  if (v == -1 && PyErr_Occurred()) return false;
  if (v < INT32_MIN || v > INT32_MAX) {
    PyErr_SetString(PyExc_OverflowError, "Python int too large to convert to a 32-bit int");
    return false;
  }
  out = static_cast<int32_t>(v);
  return true;
}

bool int_attempt(int32_t &out, PyObject *obj) {
  if (PyLong_Check(obj)) return int32_of_long(out, obj);
  if (PyObject *number = PyNumber_Long(obj)) {
    bool ok = int32_of_long(out, number);
    Py_DECREF(number);
    return ok;
  }
  PyObject *item = fallback_item(obj);
  if (!item) return false;
  bool ok = int_attempt(out, item);
  Py_DECREF(item);
  return ok;
}

bool double_attempt(double &out, PyObject *obj) {
  if (PyFloat_Check(obj)) {
    out = PyFloat_AsDouble(obj);
    return true;
  }
  if (PyObject *number = PyNumber_Float(obj)) {
    out = PyFloat_AsDouble(number);
    Py_DECREF(number);
    return !(out == -1.0 && PyErr_Occurred());
  }
  PyObject *item = fallback_item(obj);
  if (!item) return false;
  bool ok = double_attempt(out, item);
  Py_DECREF(item);
  return ok;
}

}  // namespace

bool int_from_object(int32_t &out, PyObject *obj, const std::string &message, PyObject *error) {
  // An int beyond 32 bits fails here, as OverflowError, before any body runs.
  if (int_attempt(out, obj)) return true;
  fail_with(message, error);
  return false;
}

bool double_from_object(double &out, PyObject *obj, const std::string &message, PyObject *error) {
  if (double_attempt(out, obj)) return true;
  fail_with(message, error);
  return false;
}

bool logical_from_object(int32_t &out, PyObject *obj) {
  int truth = PyObject_IsTrue(obj);
  if (truth < 0) return false;  // the truth test's own error is passed on
  out = truth;
  return true;
}

bool string_from_object(std::string &buffer, int64_t &length, PyObject *obj,
                        const std::string &message, PyObject *error) {
  PyObject *owned = nullptr;
  const char *text = "";
  int64_t text_length = 0;
  if (obj == Py_None) {
    text = "";
    text_length = 0;
  } else if (PyArray_Check(obj)) {
    auto *arr = reinterpret_cast<PyArrayObject *>(obj);
    if (!PyArray_IS_C_CONTIGUOUS(arr)) {
      PyErr_SetString(PyExc_ValueError, "array object is non-contiguous.");
      fail_with(message, error);
      return false;
    }
    text = static_cast<const char *>(PyArray_DATA(arr));
    text_length = PyArray_NBYTES(arr);
  } else {
    if (PyBytes_Check(obj)) {
      owned = obj;
      Py_INCREF(owned);
    } else if (PyUnicode_Check(obj)) {
      owned = PyUnicode_AsASCIIString(obj);
    } else if (PyObject *str = PyObject_Str(obj)) {
      owned = PyUnicode_AsASCIIString(str);
      Py_DECREF(str);
    }
    if (!owned) {
      fail_with(message, error);
      return false;
    }
    text = PyBytes_AS_STRING(owned);
    text_length = PyBytes_GET_SIZE(owned);
  }
  if (length < 0) length = text_length;
  try {
    buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
  } catch (const std::bad_alloc &) {
    Py_XDECREF(owned);
    PyErr_NoMemory();
    fail_with(message, error);
    return false;
  }
  // Copy up to the first NUL, then turn the trailing NULs into blanks.
  int64_t copied = 0;
  while (copied < length && copied < text_length && text[copied] != '\0') {
    buffer[copied] = text[copied];
    ++copied;
  }
  for (int64_t k = length - 1; k >= 0 && buffer[k] == '\0'; --k) buffer[k] = ' ';
  Py_XDECREF(owned);
  return true;
}

}  // namespace frame
