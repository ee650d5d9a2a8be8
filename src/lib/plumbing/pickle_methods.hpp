// Pickling and copying of the module's classes. __reduce__ hands pickle the
// private reconstructor tidemark._restore with the object's pickled form
// (bytes and the texts of its tokens, never ids). The builders Pattern and
// StateMachine copy their declaration; the frozen classes (TideQuery,
// AnnotationSpec, StateSpan) are their own copies.
#pragma once

#include "codec/archive.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// (tidemark._restore, (class name, bytes, texts)): what __reduce__ returns.
PyObject* reduce_to(Class c, Pickled&& p);

// __copy__ and __deepcopy__(memo) of a frozen class: the object itself.
PyObject* copy_frozen(PyObject* self, PyObject*);

}  // namespace tide::py

// The three method-table entries of a class.
#define TIDE_PICKLE_METHODS(reduce, copy)                                                         \
  {"__reduce__", reinterpret_cast<PyCFunction>(reduce), METH_NOARGS, "Return the pickled form."}, \
      {"__copy__", reinterpret_cast<PyCFunction>(copy), METH_NOARGS, "Return a copy."},           \
      {"__deepcopy__", reinterpret_cast<PyCFunction>(copy), METH_O, "Return a copy."}
