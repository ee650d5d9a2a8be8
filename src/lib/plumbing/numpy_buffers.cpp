#include "lib/plumbing/numpy_buffers.hpp"

#include "lib/plumbing/numpy_api.hpp"

namespace tide::py {
namespace {

static_assert(sizeof(size_t) == sizeof(int64_t), "positions are handed to NumPy as int64");

template <class T>
constexpr int dtype_of() {
  if constexpr (std::is_same_v<T, double>) return NPY_FLOAT64;
  if constexpr (std::is_same_v<T, int64_t> || std::is_same_v<T, size_t>) return NPY_INT64;
  if constexpr (std::is_same_v<T, int32_t>) return NPY_INT32;
  if constexpr (std::is_same_v<T, int8_t>) return NPY_INT8;
}

template <class T>
void free_vector(PyObject* capsule) {
  delete static_cast<std::vector<T>*>(PyCapsule_GetPointer(capsule, "tidemark.buffer"));
}

template <class T>
PyObject* wrap(std::vector<T>&& v, int nd, npy_intp* dims) {
  auto* owned = new std::vector<T>(std::move(v));
  Ref capsule = Ref::steal(PyCapsule_New(owned, "tidemark.buffer", free_vector<T>));
  if (!capsule) {
    delete owned;
    return nullptr;
  }
  // An empty vector may have no storage; NumPy then allocates its own.
  void* data = owned->empty() ? nullptr : owned->data();
  Ref array = Ref::steal(PyArray_SimpleNewFromData(nd, dims, dtype_of<T>(), data));
  if (!array) return nullptr;
  if (data != nullptr) {
    if (PyArray_SetBaseObject(reinterpret_cast<PyArrayObject*>(array.get()), capsule.release()) < 0) return nullptr;
  }
  return array.release();
}

template <class T>
PyObject* wrap_1d(std::vector<T>&& v) {
  npy_intp dims[1] = {static_cast<npy_intp>(v.size())};
  return wrap(std::move(v), 1, dims);
}

template <class T>
PyObject* wrap_2d(std::vector<T>&& v, size_t rows, size_t cols) {
  npy_intp dims[2] = {static_cast<npy_intp>(rows), static_cast<npy_intp>(cols)};
  return wrap(std::move(v), 2, dims);
}

}  // namespace

PyObject* array_from(std::vector<double>&& v) { return wrap_1d(std::move(v)); }
PyObject* array_from(std::vector<int64_t>&& v) { return wrap_1d(std::move(v)); }
PyObject* array_from(std::vector<int32_t>&& v) { return wrap_1d(std::move(v)); }
PyObject* array_from(std::vector<int8_t>&& v) { return wrap_1d(std::move(v)); }
PyObject* array_from(std::vector<size_t>&& v) { return wrap_1d(std::move(v)); }
PyObject* array_2d_from(std::vector<double>&& v, size_t rows, size_t cols) { return wrap_2d(std::move(v), rows, cols); }
PyObject* array_2d_from(std::vector<size_t>&& v, size_t rows, size_t cols) { return wrap_2d(std::move(v), rows, cols); }

}  // namespace tide::py
