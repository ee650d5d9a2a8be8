// The module's private functions: the corpus entry points, the
// reconstructor that unpickling calls, the contents of a built object for
// its plain form, and the timestamp-axis functions (window_functions.hpp),
// in one table. They are module attributes but not
// part of __all__.
#pragma once

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// Terminated by a null entry.
PyMethodDef* private_functions();

PyObject* _corpus_match(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _corpus_match_counts(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _corpus_annotate(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _corpus_state_spans(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _restore(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _fields(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace tide::py
