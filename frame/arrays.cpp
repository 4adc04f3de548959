// Input array conversion: any object to a column-major array of the declared
// element type, its extents checked against the declared ones.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "internal.hpp"

namespace frame {
namespace {

bool fail(const char *format, ...) __attribute__((format(printf, 1, 2)));
bool fail(const char *format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  PyErr_SetString(PyExc_ValueError, text);
  return false;
}

// A declared extent d (-1 free) against the array's extent n.
// real_index >= 0 names the array's own axis in the message.
bool match_extent(int k, npy_intp &d, npy_intp n, int real_index = -1) {
  if (d >= 0) {
    if (n > 1 && n != d) {
      if (real_index >= 0)
        return fail("%d-th dimension must be fixed to %lld but got %lld (real index=%d)\n", k,
                    static_cast<long long>(d), static_cast<long long>(n), real_index);
      return fail("%d-th dimension must be fixed to %lld but got %lld\n", k,
                  static_cast<long long>(d), static_cast<long long>(n));
    }
    if (d == 0) d = 1;
  } else {
    d = n;
  }
  return true;
}

// Fewer array dimensions than declared: a scalar for a rank-1 parameter.
bool fix_lower_rank(PyArrayObject *arr, int rank, npy_intp *dims, npy_intp size) {
  npy_intp new_size = 1;
  int nd = PyArray_NDIM(arr);
  for (int k = 0; k < nd; ++k) {
    npy_intp n = PyArray_DIM(arr, k);
    if (dims[k] < 0 && n == 0) n = 1;
    if (!match_extent(k, dims[k], n)) return false;
    new_size *= dims[k];
  }
  int free_axis = -1;
  for (int k = nd; k < rank; ++k) {
    if (dims[k] > 1)
      return fail("%d-th dimension must be %lld but got 0 (not defined).\n", k,
                  static_cast<long long>(dims[k]));
    if (free_axis < 0)
      free_axis = k;
    else
      dims[k] = 1;
  }
  if (free_axis >= 0) {
    dims[free_axis] = new_size ? size / new_size : 0;
    new_size *= dims[free_axis];
  }
  if (new_size != size)
    return fail("unexpected array size: new_size=%lld, got array with arr_size=%lld (maybe too many free indices)\n",
                static_cast<long long>(new_size), static_cast<long long>(size));
  return true;
}

bool fix_same_rank(PyArrayObject *arr, int rank, npy_intp *dims, npy_intp size) {
  npy_intp new_size = 1;
  for (int k = 0; k < rank; ++k) {
    if (!match_extent(k, dims[k], PyArray_DIM(arr, k))) return false;
    new_size *= dims[k];
  }
  if (new_size != size)
    return fail("unexpected array size: new_size=%lld, got array with arr_size=%lld\n",
                static_cast<long long>(new_size), static_cast<long long>(size));
  return true;
}

// More array dimensions than declared: extents above 1 fill the declared ones
// in order, the rest fold into the last one (a nested list for a rank-1 array).
bool fix_higher_rank(PyArrayObject *arr, int rank, npy_intp *dims, npy_intp size) {
  int nd = PyArray_NDIM(arr);
  int effrank = 0;
  for (int k = 0; k < nd; ++k)
    if (PyArray_DIM(arr, k) > 1) ++effrank;
  if (dims[rank - 1] >= 0 && effrank > rank)
    return fail("too many axes: %d (effrank=%d), expected rank=%d\n", nd, effrank, rank);
  int j = 0;
  auto next_extent = [&]() -> npy_intp {
    while (j < nd && PyArray_DIM(arr, j) < 2) ++j;
    return j >= nd ? 1 : PyArray_DIM(arr, j++);
  };
  for (int k = 0; k < rank; ++k) {
    npy_intp n = next_extent();
    if (!match_extent(k, dims[k], n, j - 1)) return false;
  }
  for (int k = rank; k < nd; ++k) dims[rank - 1] *= next_extent();
  npy_intp product = 1;
  for (int k = 0; k < rank; ++k) product *= dims[k];
  if (product == size) return true;
  std::string text = "unexpected array size: size=" + std::to_string(product) +
                     ", arr_size=" + std::to_string(size) + ", rank=" + std::to_string(rank) +
                     ", effrank=" + std::to_string(effrank) + ", arr.nd=" + std::to_string(nd) +
                     ", dims=[";
  for (int k = 0; k < rank; ++k) text += " " + std::to_string(dims[k]);
  text += " ], arr.dims=[";
  for (int k = 0; k < nd; ++k) text += " " + std::to_string(PyArray_DIM(arr, k));
  text += " ]\n";
  PyErr_SetString(PyExc_ValueError, text.substr(0, 199).c_str());
  return false;
}

bool check_and_fix_extents(PyArrayObject *arr, int rank, npy_intp *dims) {
  int nd = PyArray_NDIM(arr);
  npy_intp size = nd ? PyArray_SIZE(arr) : 1;
  if (rank == 0) {  // a scalar variable takes exactly one element
    if (size == 1) return true;
    return fail("unexpected array size: new_size=1, got array with arr_size=%lld\n",
                static_cast<long long>(size));
  }
  if (rank > nd) return fix_lower_rank(arr, rank, dims, size);
  if (rank == nd) return fix_same_rank(arr, rank, dims, size);
  return fix_higher_rank(arr, rank, dims, size);
}

bool compatible_kind(PyArrayObject *arr, int type_num) {
  int own = PyArray_TYPE(arr);
  return (PyTypeNum_ISINTEGER(own) && PyTypeNum_ISINTEGER(type_num)) ||
         (PyTypeNum_ISFLOAT(own) && PyTypeNum_ISFLOAT(type_num));
}

npy_intp element_size(int type_num) { return type_num == NPY_DOUBLE ? 8 : 4; }

}  // namespace

PyArrayObject *array_from_object(int type_num, npy_intp *dims, int rank, PyObject *obj) {
  if (PyArray_Check(obj)) {
    auto *arr = reinterpret_cast<PyArrayObject *>(obj);
    if (!check_and_fix_extents(arr, rank, dims)) return nullptr;
    bool usable = PyArray_ITEMSIZE(arr) == element_size(type_num) &&
                  compatible_kind(arr, type_num) && PyArray_ISFARRAY(arr) &&
                  PyArray_ISNOTSWAPPED(arr);
    if (usable) {
      Py_INCREF(arr);
      return arr;
    }
    auto *copy = reinterpret_cast<PyArrayObject *>(
        PyArray_New(&PyArray_Type, PyArray_NDIM(arr), PyArray_DIMS(arr), type_num, nullptr,
                    nullptr, 0, 1, nullptr));
    if (!copy) return nullptr;
    if (PyArray_CopyInto(copy, arr) < 0) {
      Py_DECREF(copy);
      return nullptr;
    }
    return copy;
  }
  auto *arr = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(
      obj, PyArray_DescrFromType(type_num), 0, 0, NPY_ARRAY_FARRAY | NPY_ARRAY_FORCECAST, nullptr));
  if (!arr) return nullptr;
  if (!check_and_fix_extents(arr, rank, dims)) {
    Py_DECREF(arr);
    return nullptr;
  }
  return arr;
}

}  // namespace frame
