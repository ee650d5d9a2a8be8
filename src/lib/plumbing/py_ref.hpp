// An owned reference to a Python object, released when it goes out of scope.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace tide::py {

class Ref {
 public:
  Ref() = default;
  // Takes over a new reference (may be null, e.g. after a failed call).
  static Ref steal(PyObject* o) { return Ref(o); }
  // Adds a reference to a borrowed object.
  static Ref borrow(PyObject* o) {
    Py_XINCREF(o);
    return Ref(o);
  }

  Ref(const Ref& other) : o_(other.o_) { Py_XINCREF(o_); }
  Ref(Ref&& other) noexcept : o_(std::exchange(other.o_, nullptr)) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(o_, other.o_);
    return *this;
  }
  ~Ref() { Py_XDECREF(o_); }

  PyObject* get() const { return o_; }
  // Hands the reference to the caller (a function that returns a new reference).
  PyObject* release() { return std::exchange(o_, nullptr); }
  explicit operator bool() const { return o_ != nullptr; }

 private:
  explicit Ref(PyObject* o) : o_(o) {}
  PyObject* o_ = nullptr;
};

// Sets dict[key] = value, taking over the new reference `value` (which may
// be null after a failed call: then nothing is set and false is returned).
inline bool set_item(PyObject* dict, const char* key, PyObject* value) {
  Ref owned = Ref::steal(value);
  return owned && PyDict_SetItemString(dict, key, owned.get()) == 0;
}

}  // namespace tide::py
