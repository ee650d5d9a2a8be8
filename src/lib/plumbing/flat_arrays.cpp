#include "lib/plumbing/flat_arrays.hpp"

#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"

namespace tide::py {

bool to_array(PyObject* o, int typenum, PyArrayObject** out, const char* arg) {
  auto* a = reinterpret_cast<PyArrayObject*>(o);
  if (!PyArray_Check(o) || PyArray_NDIM(a) != 1 || !PyArray_EquivTypenums(PyArray_TYPE(a), typenum) ||
      !PyArray_ISNOTSWAPPED(a)) {
    raise_cannot_convert(o, msg::target::kArray);
    prefix_type_error(arg);
    return false;
  }
  *out = a;
  return true;
}

bool require_contiguous(PyArrayObject* a) {
  if (a == nullptr || PyArray_IS_C_CONTIGUOUS(a)) return true;
  PyErr_SetString(PyExc_TypeError, msg::kNotContiguous);
  return false;
}

}  // namespace tide::py
