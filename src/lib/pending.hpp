// Entry points whose behaviour has not landed yet raise NotImplementedError.
#pragma once

#include "lib/py_ref.hpp"

namespace tide::py {

PyObject* not_implemented(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* not_implemented_new(PyTypeObject* type, PyObject* args, PyObject* kwargs);

}  // namespace tide::py
