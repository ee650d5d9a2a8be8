// Module initialisation: the classes, functions and code lists of tidemark.
#define TIDEMARK_IMPORT_NUMPY
#include "lib/functions.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_api.hpp"
#include "lib/private_functions.hpp"

namespace tide::py {
namespace {

PyModuleDef kModuleDef = {PyModuleDef_HEAD_INIT, "tidemark", "", 0, nullptr};

PyInterpreterState* g_first_interpreter = nullptr;
PyObject* g_module = nullptr;

constexpr const char* kCloseReasons[] = {"exit_event", "timeout", "transition", "end_of_stream"};
constexpr const char* kRejectReasons[] = {"none", "unclosed", "too_short", "too_few_events", "missing_required"};

// Adds `value` (a new reference) as `name` and appends the name to __all__.
bool add(PyObject* module, PyObject* all, const char* name, PyObject* value) {
  Ref owned = Ref::steal(value);
  if (!owned || PyModule_AddObjectRef(module, name, owned.get()) < 0) return false;
  Ref text = Ref::steal(PyUnicode_FromString(name));
  return text && PyList_Append(all, text.get()) == 0;
}

template <size_t N>
PyObject* string_list(const char* const (&texts)[N]) {
  Ref list = Ref::steal(PyList_New(N));
  if (!list) return nullptr;
  for (size_t i = 0; i < N; ++i) {
    PyObject* s = PyUnicode_FromString(texts[i]);
    if (s == nullptr) return nullptr;
    PyList_SET_ITEM(list.get(), i, s);
  }
  return list.release();
}

PyObject* create_module() {
  if (!create_panic_exception()) return nullptr;
  Ref module = Ref::steal(PyModule_Create(&kModuleDef));
  if (!module) return nullptr;
  Ref all = Ref::steal(PyList_New(0));
  if (!all || PyModule_AddObjectRef(module.get(), "__all__", all.get()) < 0) return nullptr;
  if (PyModule_AddStringConstant(module.get(), "__version__", TIDEMARK_VERSION) < 0) return nullptr;
  for (int i = 0; i < kClassCount; ++i) {
    const Class c = static_cast<Class>(i);
    PyTypeObject* type = create_class(c);
    if (type == nullptr || !add(module.get(), all.get(), class_name(c), Py_NewRef(reinterpret_cast<PyObject*>(type))))
      return nullptr;
  }
  Ref module_name = Ref::steal(PyUnicode_FromString("tidemark"));
  if (!module_name) return nullptr;
  for (PyMethodDef* def = module_functions(); def->ml_name != nullptr; ++def) {
    PyObject* fn = PyCMethod_New(def, nullptr, module_name.get(), nullptr);
    if (fn == nullptr || !add(module.get(), all.get(), def->ml_name, fn)) return nullptr;
  }
  // Private functions: module attributes, not in __all__.
  for (PyMethodDef* def = private_functions(); def->ml_name != nullptr; ++def) {
    Ref fn = Ref::steal(PyCMethod_New(def, nullptr, module_name.get(), nullptr));
    if (!fn || PyModule_AddObjectRef(module.get(), def->ml_name, fn.get()) < 0) return nullptr;
  }
  if (!add(module.get(), all.get(), "CLOSE_REASONS", string_list(kCloseReasons)) ||
      !add(module.get(), all.get(), "REJECT_REASONS", string_list(kRejectReasons)))
    return nullptr;
  return module.release();
}

}  // namespace
}  // namespace tide::py

PyMODINIT_FUNC PyInit_tidemark() {
  using namespace tide::py;
  PyInterpreterState* interp = PyInterpreterState_Get();
  if (g_first_interpreter == nullptr) {
    g_first_interpreter = interp;
  } else if (interp != g_first_interpreter) {
    PyErr_SetString(PyExc_ImportError, msg::kSubinterpreter);
    return nullptr;
  }
  if (g_module != nullptr) return Py_NewRef(g_module);
  if (_import_array() < 0) return nullptr;
  PyObject* module = create_module();
  if (module == nullptr) return nullptr;
  g_module = Py_NewRef(module);
  return module;
}
