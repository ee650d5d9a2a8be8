// Pickling and copying of the module's classes. __reduce__ hands pickle the
// private reconstructor tidemark._restore with the object's pickled form
// (bytes and the texts of its tokens, never ids). The builders Pattern and
// StateMachine copy their declaration; the frozen classes (TideQuery,
// AnnotationSpec, StateSpan) are their own copies.
#pragma once

#include "lib/py_ref.hpp"

namespace tide::py {

PyObject* reduce_pattern(PyObject* self, PyObject*);
PyObject* reduce_query(PyObject* self, PyObject*);
PyObject* reduce_annotation_spec(PyObject* self, PyObject*);
PyObject* reduce_machine(PyObject* self, PyObject*);
PyObject* reduce_state_span(PyObject* self, PyObject*);

// __copy__ and __deepcopy__(memo).
PyObject* copy_pattern(PyObject* self, PyObject*);
PyObject* copy_machine(PyObject* self, PyObject*);
PyObject* copy_frozen(PyObject* self, PyObject*);

// _restore(kind, data, texts): the object of class `kind` from its pickled form.
PyObject* _restore(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace tide::py

// The three method-table entries of a class.
#define TIDE_PICKLE_METHODS(reduce, copy)                                                         \
  {"__reduce__", reinterpret_cast<PyCFunction>(reduce), METH_NOARGS, "Return the pickled form."}, \
      {"__copy__", reinterpret_cast<PyCFunction>(copy), METH_NOARGS, "Return a copy."},           \
      {"__deepcopy__", reinterpret_cast<PyCFunction>(copy), METH_O, "Return a copy."}
