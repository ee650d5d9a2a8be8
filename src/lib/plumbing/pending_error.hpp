// Helpers for routines that report failure as false with a Python exception
// pending, such as the builders that try one argument form and then the next.
#pragma once

#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// Raises `type` with a fixed message.
inline bool fail_with(PyObject* type, const char* message) {
  PyErr_SetString(type, message);
  return false;
}

// True, with the error cleared, when the pending exception is a TypeError;
// false, with any other exception left pending.
inline bool clear_type_error() {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return false;
  PyErr_Clear();
  return true;
}

// Replaces a pending TypeError by `type` with `message`; any other exception
// stays as it is.
inline bool replace_type_error(PyObject* type, const char* message) {
  if (clear_type_error()) PyErr_SetString(type, message);
  return false;
}

}  // namespace tide::py
