// Frame internals shared by its sources: parsed routine descriptors, the
// routine-object type, conversions and the NumPy interface.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#define PY_ARRAY_UNIQUE_SYMBOL orvframe_ARRAY_API
#ifndef ORVFRAME_NUMPY_IMPORT
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>

#include <string>
#include <vector>

#include "frame.hpp"

namespace frame {

constexpr int max_slots = 16;
constexpr int max_python_params = 8;

enum class Kind { Int, Logical, Real, Double, Byte, String, Array, Check };

// One array extent: a constant, or the value of another declared item.
struct Extent {
  std::string text;    // as declared, for the docs
  int64_t constant = 0;
  int ref = -1;        // declaration index of the parameter it names, or -1
};

struct Decl {
  std::string name;
  Kind kind = Kind::Int;
  int type_num = NPY_INT;      // arrays: NPY_FLOAT, NPY_DOUBLE, NPY_INT
  int64_t fixed_length = -1;   // hidden strings: N
  std::vector<Extent> extents; // arrays
  bool input = false;
  bool optional = false;
  int default_len_of = -1;     // "=len(x)": declaration index of x
  std::string default_text;    // "len(x)" or the constant as written
  double default_value = 0;
  int python_index = -1;       // position among the parsed Python objects
  std::string ordinal;         // "1st argument", "2nd keyword", "hidden"
  std::string message;         // conversion failure text, built once
  int slot = -1;               // body parameter index (checks have none)
  // Checks "len(array)>=bound": bound_ref names a parameter, else bound_literal.
  int check_array = -1;
  int check_bound_ref = -1;
  int64_t check_bound_literal = 0;
  std::string check_text;
};

struct Routine {
  const RoutineDef *def = nullptr;
  std::string name;          // "nodeattr"
  std::string module_name;   // "_pyorvsim"
  std::string parse_format;  // "OO:_pyorvsim.nodeattr"
  std::vector<std::string> keywords;
  std::vector<char *> keyword_list;  // NULL-terminated view of keywords
  std::vector<Decl> decls;           // conversion order
  std::vector<int> results;          // declaration indices, result order
  int python_count = 0;
  int required_count = 0;
  int slot_count = 0;
  std::string doc;          // routine docstring
  std::string module_line;  // line of the module docstring
  PyObject *error = nullptr;  // the module's exception class (borrowed)
};

// Parses a descriptor; on an inconsistent descriptor sets SystemError.
bool parse_routine(const RoutineDef &def, const char *module_name, PyObject *error, Routine &out);

// Runs one call of a routine.
PyObject *call_routine(const Routine &routine, PyObject *args, PyObject *kwargs);

// Conversions; each returns false with a Python error set.
bool int_from_object(int32_t &out, PyObject *obj, const std::string &message, PyObject *error);
bool double_from_object(double &out, PyObject *obj, const std::string &message, PyObject *error);
bool logical_from_object(int32_t &out, PyObject *obj);
// Allocates length + 1 bytes into buffer; length -1 takes the text's own length.
bool string_from_object(std::string &buffer, int64_t &length, PyObject *obj,
                        const std::string &message, PyObject *error);
// Input array of the given type and rank; dims: -1 free, else fixed (updated
// to the accepted extents). Returns a new reference or nullptr.
PyArrayObject *array_from_object(int type_num, npy_intp *dims, int rank, PyObject *obj);

// Routine objects (type "fortran").
struct RoutineEntry {
  const char *name;
  int rank;            // -1 for a routine
  int type_num;
  void *data;          // routine: body; variable: storage
  const Routine *routine;
  bool constant;
};
PyObject *new_routine_object(const RoutineEntry *entries, int count);
PyObject *routine_dict(PyObject *object);  // borrowed
bool routine_type_ready();

// NumPy's array interface with its version checks; false with the error set.
bool import_numpy_interface();
// The module holding NumPy's array interface, and the message when it fails to import.
#if NPY_ABI_VERSION >= 0x02000000
inline constexpr const char *kMultiarrayModule = "numpy._core.multiarray";
inline constexpr const char *kMultiarrayImportFailed = "numpy._core.multiarray failed to import";
#else
inline constexpr const char *kMultiarrayModule = "numpy.core.multiarray";
inline constexpr const char *kMultiarrayImportFailed = "numpy.core.multiarray failed to import";
#endif

}  // namespace frame
