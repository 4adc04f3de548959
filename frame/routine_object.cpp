// The routine-object type "fortran": a callable over one routine entry, or the
// module-variable group over several variable entries.
#include <cstring>
#include <string>

#include "internal.hpp"

namespace frame {
namespace {

struct RoutineObject {
  PyObject_HEAD
  int count;
  const RoutineEntry *entries;  // static tables, never freed
  PyObject *dict;
};

PyTypeObject routine_type{};  // filled by routine_type_ready()

void routine_dealloc(PyObject *self) {
  Py_XDECREF(reinterpret_cast<RoutineObject *>(self)->dict);
  PyObject_Free(self);
}

std::string entry_doc(const RoutineEntry &e) {
  if (e.rank < 0) return e.routine ? e.routine->doc : std::string(e.name) + " - no docs available";
  return "'i'-scalar";  // the group holds rank-0 int32 variables only
}

PyObject *routine_getattro(PyObject *self, PyObject *name) {
  auto *fp = reinterpret_cast<RoutineObject *>(self);
  if (fp->dict) {
    if (PyObject *v = PyDict_GetItemWithError(fp->dict, name)) {
      Py_INCREF(v);
      return v;
    }
    if (PyErr_Occurred()) return nullptr;
  }
  const char *text = PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
  if (text && std::strcmp(text, "__dict__") == 0) {
    Py_INCREF(fp->dict);
    return fp->dict;
  }
  if (text && std::strcmp(text, "__doc__") == 0) {
    std::string doc;
    for (int k = 0; k < fp->count; ++k) doc += entry_doc(fp->entries[k]) + "\n";
    PyObject *s = PyUnicode_FromStringAndSize(doc.data(), static_cast<Py_ssize_t>(doc.size()));
    if (!s || PyDict_SetItem(fp->dict, name, s) < 0) {
      Py_XDECREF(s);
      return nullptr;
    }
    return s;
  }
  if (text && fp->count == 1 && std::strcmp(text, "_cpointer") == 0) {
    PyObject *capsule = PyCapsule_New(fp->entries[0].data, nullptr, nullptr);
    if (!capsule || PyDict_SetItem(fp->dict, name, capsule) < 0) {
      Py_XDECREF(capsule);
      return nullptr;
    }
    return capsule;
  }
  return PyObject_GenericGetAttr(self, name);
}

// Assignment to a module variable: converted as an int32 array of the
// variable's rank, then its element copied into the storage.
int assign_variable(const RoutineEntry &e, PyObject *value) {
  if (value == nullptr) {
    PyErr_Format(PyExc_AttributeError, "cannot delete fortran variable %s", e.name);
    return -1;
  }
  if (e.constant) {
    PyErr_Format(PyExc_AttributeError, "%s is a constant", e.name);
    return -1;
  }
  // The array conversion would wrap an int beyond 32 bits: refuse it as a
  // routine's int argument is refused; other failures are the conversion's.
  if (e.type_num == NPY_INT && e.rank == 0) {
    int32_t checked = 0;
    const std::string message = std::string("cannot assign to ") + e.name + ": outside 32 bits";
    if (!int_from_object(checked, value, message, PyExc_TypeError)) {
      if (PyErr_ExceptionMatches(PyExc_OverflowError)) return -1;
      PyErr_Clear();
    }
  }
  npy_intp dims[1] = {-1};
  PyArrayObject *arr = array_from_object(e.type_num, dims, e.rank, value);
  if (!arr) return -1;
  std::memcpy(e.data, PyArray_DATA(arr), PyArray_ITEMSIZE(arr));
  Py_DECREF(arr);
  return 0;
}

int routine_setattro(PyObject *self, PyObject *name, PyObject *value) {
  auto *fp = reinterpret_cast<RoutineObject *>(self);
  const char *text = PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
  for (int k = 0; text && k < fp->count; ++k) {
    const RoutineEntry &e = fp->entries[k];
    if (std::strcmp(text, e.name) != 0) continue;
    if (e.rank < 0) {
      PyErr_SetString(PyExc_AttributeError, "over-writing fortran routine");
      return -1;
    }
    return assign_variable(e, value);
  }
  if (value) {
    if (!fp->dict && !(fp->dict = PyDict_New())) return -1;
    return PyDict_SetItem(fp->dict, name, value);
  }
  if (!fp->dict || PyDict_DelItem(fp->dict, name) < 0) {
    PyErr_Clear();
    PyErr_SetString(PyExc_AttributeError, "delete non-existing fortran attribute");
    return -1;
  }
  return 0;
}

PyObject *routine_call(PyObject *self, PyObject *args, PyObject *kwargs) {
  auto *fp = reinterpret_cast<RoutineObject *>(self);
  const RoutineEntry &e = fp->entries[0];
  if (e.rank >= 0) {
    PyErr_SetString(PyExc_TypeError, "this fortran object is not callable");
    return nullptr;
  }
  if (!e.routine) {
    PyErr_SetString(PyExc_RuntimeError, "no function to call");
    return nullptr;
  }
  return call_routine(*e.routine, args, kwargs);
}

PyObject *routine_repr(PyObject *self) {
  PyObject *name = PyObject_GetAttrString(self, "__name__");
  PyErr_Clear();
  PyObject *text = name && PyUnicode_Check(name) ? PyUnicode_FromFormat("<fortran %U>", name)
                                                 : PyUnicode_FromString("<fortran object>");
  Py_XDECREF(name);
  return text;
}

}  // namespace

bool routine_type_ready() {
  if (routine_type.tp_name) return true;
  Py_SET_REFCNT(&routine_type, 1);  // a static type is never freed
  routine_type.tp_name = "fortran";
  routine_type.tp_basicsize = sizeof(RoutineObject);
  routine_type.tp_dealloc = routine_dealloc;
  routine_type.tp_getattro = routine_getattro;
  routine_type.tp_setattro = routine_setattro;
  routine_type.tp_repr = routine_repr;
  routine_type.tp_call = routine_call;
  routine_type.tp_flags = Py_TPFLAGS_DEFAULT;
  return PyType_Ready(&routine_type) == 0;
}

PyObject *routine_dict(PyObject *object) { return reinterpret_cast<RoutineObject *>(object)->dict; }

PyObject *new_routine_object(const RoutineEntry *entries, int count) {
  auto *fp = PyObject_New(RoutineObject, &routine_type);
  if (!fp) return nullptr;
  fp->count = count;
  fp->entries = entries;
  fp->dict = PyDict_New();
  if (!fp->dict) {
    PyObject_Free(fp);
    return nullptr;
  }
  return reinterpret_cast<PyObject *>(fp);
}

}  // namespace frame
