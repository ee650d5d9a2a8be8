#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"

namespace tide::py {

PyObject* not_implemented(PyObject*, PyObject* const*, Py_ssize_t, PyObject*) {
  PyErr_SetString(PyExc_NotImplementedError, "not implemented yet");
  return nullptr;
}

PyObject* not_implemented_new(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_NotImplementedError, "not implemented yet");
  return nullptr;
}

}  // namespace tide::py
