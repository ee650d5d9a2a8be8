// The module's classes, created once per process on first need.
#pragma once

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

enum class Class { Pattern, TideQuery, PreprocessedStream, AnnotationSpec, StateMachine, StateSpan };
inline constexpr int kClassCount = 6;

// The class object (borrowed), created on first need; null with the
// interpreter's exception set when it cannot be created (used at import).
PyTypeObject* create_class(Class c);
// The same for later uses: null with PanicException set when it cannot
// be created.
PyTypeObject* class_type(Class c);
const char* class_name(Class c);
// Whether `o` is an instance of the class.
bool is_instance(PyObject* o, Class c);

// The PyType_Spec of each class, defined in its class file.
PyType_Spec& pattern_spec();
PyType_Spec& query_spec();
PyType_Spec& preprocessed_spec();
PyType_Spec& annotation_spec_spec();
PyType_Spec& state_machine_spec();
PyType_Spec& state_span_spec();

}  // namespace tide::py
