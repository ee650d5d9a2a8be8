// The module-level functions, in the order they are added to the module.
#pragma once

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// annotate_stream, state_spans, vocab_ids; terminated by a null entry.
PyMethodDef* module_functions();

PyObject* vocab_ids(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* annotate_stream(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* state_spans(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace tide::py
