#include "lib/plumbing/double_column.hpp"

#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_api.hpp"

namespace tide::py {
namespace {

bool float64_vector(PyObject* o) {
  if (!PyArray_Check(o)) return false;
  auto* a = reinterpret_cast<PyArrayObject*>(o);
  return PyArray_NDIM(a) == 1 && PyArray_TYPE(a) == NPY_FLOAT64 && PyArray_ISNOTSWAPPED(a);
}

}  // namespace

bool DoubleColumn::convert(PyObject* o, const char* arg) {
  array_ = Ref();
  if (float64_vector(o)) {
    array_ = Ref::borrow(o);
    size_ = static_cast<size_t>(PyArray_DIM(reinterpret_cast<PyArrayObject*>(o), 0));
    return true;
  }
  if (!to_double_list(o, &owned_, arg)) return false;
  data_ = owned_.data();
  size_ = owned_.size();
  return true;
}

bool DoubleColumn::settle(const char* arg) {
  if (!array_) return true;
  PyObject* o = array_.get();
  if (!float64_vector(o)) {
    raise_cannot_convert(o, msg::target::kSequence);
    prefix_type_error(arg);
    return false;
  }
  auto* a = reinterpret_cast<PyArrayObject*>(o);
  size_ = static_cast<size_t>(PyArray_DIM(a, 0));
  if (PyArray_ISALIGNED(a) && PyArray_IS_C_CONTIGUOUS(a)) {
    data_ = static_cast<const double*>(PyArray_DATA(a));
    return true;
  }
  if (!to_double_list(o, &owned_, arg)) return false;  // strided or unaligned: read item by item, no user code
  array_ = Ref();
  data_ = owned_.data();
  return true;
}

void DoubleColumn::own() {
  if (!array_) return;
  owned_.assign(data_, data_ + size_);
  array_ = Ref();
  data_ = owned_.data();
}

}  // namespace tide::py
