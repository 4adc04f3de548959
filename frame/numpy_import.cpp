// NumPy's array interface, imported and checked at module initialisation.
#define ORVFRAME_NUMPY_IMPORT
#include "internal.hpp"

namespace frame {
namespace {

#if NPY_ABI_VERSION >= 0x02000000
// Built against NumPy 2: its _core module, its ABI, and the feature version of 2.0.
constexpr unsigned int expected_abi_version = 0x2000000;
constexpr unsigned int minimum_feature_version = 0x12;
#else
constexpr unsigned int expected_abi_version = 0x1000009;
constexpr unsigned int minimum_feature_version = 0xc;
#endif

// Slots of the interface table used before it is adopted.
constexpr int abi_version_slot = 0;
constexpr int endianness_slot = 210;
constexpr int feature_version_slot = 211;

template <class R>
R call_slot(void **table, int slot) {
  return reinterpret_cast<R (*)()>(table[slot])();
}

}  // namespace

bool import_numpy_interface() {
  PyObject *module = PyImport_ImportModule(kMultiarrayModule);
  if (!module) {
    // The cause goes to standard error; the ImportError alone would hide it.
    PyErr_Print();
    PyErr_SetString(PyExc_ImportError, kMultiarrayImportFailed);
    return false;
  }
  PyObject *capsule = PyObject_GetAttrString(module, "_ARRAY_API");
  Py_DECREF(module);
  if (!capsule) {
    PyErr_SetString(PyExc_AttributeError, "_ARRAY_API not found");
    return false;
  }
  if (!PyCapsule_CheckExact(capsule)) {
    PyErr_SetString(PyExc_RuntimeError, "_ARRAY_API is not PyCapsule object");
    Py_DECREF(capsule);
    return false;
  }
  auto **table = static_cast<void **>(PyCapsule_GetPointer(capsule, nullptr));
  Py_DECREF(capsule);  // numpy keeps the table alive for the process
  if (!table) {
    PyErr_Clear();
    PyErr_SetString(PyExc_RuntimeError, "_ARRAY_API is NULL pointer");
    return false;
  }
  unsigned int abi = call_slot<unsigned int>(table, abi_version_slot);
  if (abi != expected_abi_version) {
    PyErr_Format(PyExc_RuntimeError, "module compiled against ABI version 0x%x but this version of numpy is 0x%x",
                 expected_abi_version, abi);
    return false;
  }
  unsigned int feature = call_slot<unsigned int>(table, feature_version_slot);
  if (feature < minimum_feature_version) {
    PyErr_Format(PyExc_RuntimeError, "module compiled against API version 0x%x but this version of numpy is 0x%x",
                 minimum_feature_version, feature);
    return false;
  }
  int endianness = call_slot<int>(table, endianness_slot);
  if (endianness == NPY_CPU_UNKNOWN_ENDIAN) {
    PyErr_SetString(PyExc_RuntimeError, "FATAL: module compiled as unknown endian");
    return false;
  }
  if (endianness != NPY_CPU_LITTLE) {
    PyErr_SetString(PyExc_RuntimeError,
                    "FATAL: module compiled as little endian, but detected different endianness at runtime");
    return false;
  }
  PyArray_API = table;
#if NPY_ABI_VERSION >= 0x02000000
  // NumPy 2's accessors choose their layout by the running version.
  PyArray_RUNTIME_VERSION = static_cast<int>(feature);
#endif
  return true;
}

}  // namespace frame
