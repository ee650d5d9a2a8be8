// Native instances that hold one C++ value, and the slots every class shares.
#pragma once

#include <new>
#include <utility>

#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

template <class T>
struct Box {
  PyObject_HEAD T value;
};

template <class T>
T& unbox(PyObject* o) {
  return reinterpret_cast<Box<T>*>(o)->value;
}

// A new instance of `type` holding T(args...).
template <class T, class... A>
PyObject* box_new(PyTypeObject* type, A&&... args) {
  PyObject* o = type->tp_alloc(type, 0);
  if (o == nullptr) return nullptr;
  try {
    new (&unbox<T>(o)) T(std::forward<A>(args)...);
  } catch (...) {
    type->tp_free(o);
    Py_DECREF(type);
    throw;
  }
  return o;
}

template <class T>
void box_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  unbox<T>(self).~T();
  type->tp_free(self);
  Py_DECREF(type);
}

// tp_new of the classes that only the module creates.
PyObject* no_constructor(PyTypeObject*, PyObject*, PyObject*);

// Flags of every class: not subclassable, no __dict__, no weak references.
inline constexpr unsigned long kClassFlags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE;

}  // namespace tide::py
