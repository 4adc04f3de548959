// Module initialisation: NumPy check, namespace, routine objects and the
// module-variable group.
#include <memory>
#include <string>
#include <vector>

#include "internal.hpp"

namespace frame {
namespace {

// What one module keeps for the life of the process.
struct ModuleState {
  std::vector<Routine> routines;
  std::vector<RoutineEntry> routine_entries;
  std::vector<RoutineEntry> variable_entries;
  std::string doc;
  PyModuleDef def{};
};

bool build_routines(const ModuleDef &def, PyObject *error, ModuleState &state) {
  state.routines.resize(def.routines.size());  // never resized again: entries point into it
  for (std::size_t k = 0; k < def.routines.size(); ++k) {
    Routine &r = state.routines[k];
    if (!parse_routine(def.routines[k], def.name, error, r)) return false;
    state.routine_entries.push_back({nullptr, -1, 0, reinterpret_cast<void *>(r.def->invoke), &r, false});
  }
  for (std::size_t k = 0; k < state.routines.size(); ++k)
    state.routine_entries[k].name = state.routines[k].name.c_str();
  return true;
}

std::string module_doc(const ModuleDef &def, const ModuleState &state) {
  std::string doc = std::string("This module '") + def.name + "' is auto-generated with f2py (version:2).\nFunctions:\n";
  for (const Routine &r : state.routines) doc += r.module_line + "\n";
  if (!def.group_name) return doc + ".";
  std::string names;
  for (const VariableDef &v : def.variables) names += (names.empty() ? "" : ",") + std::string(v.name);
  return doc + "Fortran 90/95 modules:\n  " + def.group_name + " --- " + names + ".";
}

// A 0-d int32 array viewing a variable; constants get a read-only view whose
// base exposes no writable buffer, so the view cannot be made writable again.
PyObject *variable_view(const RoutineEntry &e) {
  int flags = NPY_ARRAY_FARRAY & ~(e.constant ? NPY_ARRAY_WRITEABLE : 0);
  PyObject *view = PyArray_New(&PyArray_Type, 0, nullptr, e.type_num, nullptr, e.data, 0, flags, nullptr);
  if (!view || !e.constant) return view;
  PyObject *base = PyBytes_FromStringAndSize(static_cast<const char *>(e.data), sizeof(int32_t));
  if (!base || PyArray_SetBaseObject(reinterpret_cast<PyArrayObject *>(view), base) < 0) {
    Py_XDECREF(base);
    Py_DECREF(view);
    return nullptr;
  }
  return view;
}

bool add_group(PyObject *module, const ModuleDef &def, ModuleState &state) {
  for (const VariableDef &v : def.variables)
    state.variable_entries.push_back({v.name, 0, NPY_INT, v.storage, nullptr, v.constant});
  PyObject *group = new_routine_object(state.variable_entries.data(),
                                       static_cast<int>(state.variable_entries.size()));
  if (!group) return false;
  bool ok = true;
  for (const RoutineEntry &e : state.variable_entries) {
    PyObject *view = variable_view(e);
    ok = view && PyDict_SetItemString(routine_dict(group), e.name, view) == 0;
    Py_XDECREF(view);
    if (!ok) break;
  }
  if (ok && PyModule_AddObject(module, def.group_name, group) == 0) return true;
  Py_DECREF(group);
  return false;
}

}  // namespace

PyObject *init_module(const ModuleDef &def) {
  static std::vector<std::unique_ptr<ModuleState>> modules;  // one per module, kept for the process
  auto state = std::make_unique<ModuleState>();
  state->def = {PyModuleDef_HEAD_INIT, def.name, nullptr, -1, nullptr, nullptr, nullptr, nullptr, nullptr};
  PyObject *module = PyModule_Create(&state->def);
  if (!module) return nullptr;
  if (!import_numpy_interface()) {
    PyErr_Print();
    PyErr_SetString(PyExc_ImportError, kMultiarrayImportFailed);
    Py_DECREF(module);
    return nullptr;
  }
  if (PyErr_Occurred()) {
    PyErr_Format(PyExc_ImportError, "can't initialize module %s (failed to import numpy)", def.name);
    Py_DECREF(module);
    return nullptr;
  }
  std::string error_name = std::string(def.name) + ".error";
  PyObject *error = PyErr_NewException(error_name.c_str(), nullptr, nullptr);
  bool ok = error && routine_type_ready() && build_routines(def, error, *state);
  if (ok) {
    state->doc = module_doc(def, *state);
    PyObject *version = PyBytes_FromString("$Revision: $");
    PyObject *doc = PyUnicode_FromString(state->doc.c_str());
    ok = version && doc && PyModule_AddObject(module, "__version__", version) == 0 &&
         PyModule_AddObject(module, "__doc__", doc) == 0;
    if (!ok) {
      Py_XDECREF(version);
      Py_XDECREF(doc);
    }
  }
  for (std::size_t k = 0; ok && k < state->routine_entries.size(); ++k) {
    PyObject *object = new_routine_object(&state->routine_entries[k], 1);
    ok = object && PyModule_AddObject(module, state->routine_entries[k].name, object) == 0;
    if (!ok) Py_XDECREF(object);
  }
  if (ok && def.group_name) ok = add_group(module, def, *state);
  if (!ok) {
    // The exception class stays referenced by parsed routines only on success.
    Py_XDECREF(error);
    Py_DECREF(module);
    return nullptr;
  }
  modules.push_back(std::move(state));
  return module;
}

}  // namespace frame
