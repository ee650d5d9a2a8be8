// One-dimensional NumPy arrays of a corpus, read in place.
#pragma once

#include <cstring>
#include <vector>

#include "lib/plumbing/numpy_api.hpp"

namespace tide::py {

// A one-dimensional array of exactly the given dtype in native byte order;
// otherwise a TypeError naming the argument.
bool to_array(PyObject* o, int typenum, PyArrayObject** out, const char* arg);

// C-contiguous, or a TypeError; null (an absent optional array) passes.
bool require_contiguous(PyArrayObject* a);

// The elements of a contiguous array as a typed pointer. An array whose
// data is not aligned for T (a view at an odd byte offset) is copied into
// `copy` first, since reading it through a T pointer is undefined.
template <class T>
const T* data_of(PyArrayObject* a, std::vector<T>* copy) {
  if (a == nullptr) return nullptr;
  if (PyArray_ISALIGNED(a)) return static_cast<const T*>(PyArray_DATA(a));
  copy->resize(static_cast<size_t>(PyArray_DIM(a, 0)));
  std::memcpy(copy->data(), PyArray_DATA(a), copy->size() * sizeof(T));
  return copy->data();
}

}  // namespace tide::py
