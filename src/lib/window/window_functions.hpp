// The private timestamp-axis functions behind tidemark_corpus's task files,
// registered with the module's other private functions.
#pragma once

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

PyObject* _timestamp_runs(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* _locate_runs(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

}  // namespace tide::py
