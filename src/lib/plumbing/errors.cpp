#include "lib/plumbing/errors.hpp"

namespace tide::py {
namespace {
PyObject* g_panic = nullptr;

// Sets `type` with the whole message: a text the caller gave may hold NUL
// characters, which a C-string message would cut off.
void set_message(PyObject* type, const std::string& message) {
  Ref text = Ref::steal(PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
  if (text) PyErr_SetObject(type, text.get());
}
}  // namespace

bool create_panic_exception() {
  if (g_panic != nullptr) return true;
  g_panic = PyErr_NewExceptionWithDoc("tidemark.PanicException", "An internal fault of tidemark (a broken invariant).",
                                      PyExc_BaseException, nullptr);
  return g_panic != nullptr;
}

PyObject* panic_exception() { return g_panic != nullptr ? g_panic : PyExc_SystemError; }

PyObject* raise(const Error& e) {
  switch (e.kind) {
    case ErrorKind::Value:
      set_message(PyExc_ValueError, e.message);
      break;
    case ErrorKind::Type:
      set_message(PyExc_TypeError, e.message);
      break;
    case ErrorKind::Overflow:
      set_message(PyExc_OverflowError, e.message);
      break;
    case ErrorKind::Cancelled:
      // The signal handler's exception (KeyboardInterrupt) is already set.
      if (!PyErr_Occurred()) PyErr_SetNone(PyExc_KeyboardInterrupt);
      break;
  }
  return nullptr;
}

}  // namespace tide::py
