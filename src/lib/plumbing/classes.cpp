#include "lib/plumbing/classes.hpp"

#include "lib/plumbing/boxed.hpp"
#include "lib/plumbing/errors.hpp"

namespace tide::py {
namespace {

struct ClassDef {
  const char* name;
  PyType_Spec& (*spec)();
};

constexpr ClassDef kClasses[kClassCount] = {
    {"Pattern", pattern_spec},
    {"TideQuery", query_spec},
    {"PreprocessedStream", preprocessed_spec},
    {"AnnotationSpec", annotation_spec_spec},
    {"StateMachine", state_machine_spec},
    {"StateSpan", state_span_spec},
};

PyTypeObject* g_types[kClassCount] = {};

}  // namespace

PyObject* no_constructor(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_TypeError, msg::kNoConstructor);
  return nullptr;
}

const char* class_name(Class c) { return kClasses[static_cast<int>(c)].name; }

PyTypeObject* create_class(Class c) {
  const int i = static_cast<int>(c);
  if (g_types[i] == nullptr) g_types[i] = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&kClasses[i].spec()));
  return g_types[i];
}

PyTypeObject* class_type(Class c) {
  PyTypeObject* t = create_class(c);
  if (t == nullptr) {
    PyErr_Clear();
    PyErr_Format(panic_exception(), msg::kTypeCreateFailed, class_name(c));
  }
  return t;
}

bool is_instance(PyObject* o, Class c) {
  PyTypeObject* t = g_types[static_cast<int>(c)];
  return t != nullptr && Py_IS_TYPE(o, t);
}

}  // namespace tide::py
