// Turning core errors and internal faults into Python exceptions.
#pragma once

#include <new>
#include <stdexcept>
#include <utility>

#include "lib/plumbing/py_ref.hpp"
#include "types/expected.hpp"

namespace tide::py {

// The internal-fault exception class, derived directly from BaseException.
PyObject* panic_exception();
bool create_panic_exception();

// Raises a core error as its Python exception; returns null for `return`.
PyObject* raise(const Error& e);
// The same for routines that report failure as false.
inline bool fail(const Error& e) {
  raise(e);
  return false;
}
template <class T>
bool check(const Expected<T>& r) {
  if (r.ok()) return true;
  raise(r.error());
  return false;
}

// Runs an entry point's body: a C++ exception that escapes it becomes
// PanicException (MemoryError for an allocation failure), never an abort.
// `on_fault` is the slot's error return (null, or -1 for a length).
template <class F, class R = decltype(std::declval<F>()())>
R guarded(F&& body, R on_fault = R{}) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(panic_exception(), e.what());
  } catch (...) {
    PyErr_SetString(panic_exception(), "unknown internal fault");
  }
  return on_fault;
}

}  // namespace tide::py
