#include "lib/errors.hpp"

namespace tide::py {
namespace {
PyObject* g_panic = nullptr;
}

bool create_panic_exception() {
  if (g_panic != nullptr) return true;
  g_panic = PyErr_NewExceptionWithDoc("tidemark.PanicException",
                                      "An internal fault of tidemark (a broken invariant).",
                                      PyExc_BaseException, nullptr);
  return g_panic != nullptr;
}

PyObject* panic_exception() { return g_panic != nullptr ? g_panic : PyExc_SystemError; }

PyObject* raise(const Error& e) {
  switch (e.kind) {
    case ErrorKind::Value: PyErr_SetString(PyExc_ValueError, e.message.c_str()); break;
    case ErrorKind::Type: PyErr_SetString(PyExc_TypeError, e.message.c_str()); break;
    case ErrorKind::Overflow: PyErr_SetString(PyExc_OverflowError, e.message.c_str()); break;
    case ErrorKind::Cancelled:
      // The signal handler's exception (KeyboardInterrupt) is already set.
      if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
      break;
  }
  return nullptr;
}

}  // namespace tide::py
