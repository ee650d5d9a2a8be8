// An extension module whose one function loses 12,345 bytes. The sanitizer
// run builds it (it is never shipped) and loads it to prove that its leak
// check reports an allocation a module makes when called from Python.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <stdlib.h>
#include <string.h>

static void* volatile last;

static PyObject* leak(PyObject* self, PyObject* unused) {
  last = malloc(12345);
  memset(last, 1, 12345);
  last = NULL;  // the only pointer to the block is gone
  Py_RETURN_NONE;
}

static PyMethodDef methods[] = {{"leak", leak, METH_NOARGS, "Loses 12,345 bytes."}, {NULL, NULL, 0, NULL}};
static struct PyModuleDef module = {PyModuleDef_HEAD_INIT, "planted_leak", NULL, -1, methods};

PyMODINIT_FUNC PyInit_planted_leak(void) { return PyModule_Create(&module); }
