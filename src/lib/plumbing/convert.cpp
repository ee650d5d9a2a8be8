#include "lib/plumbing/convert.hpp"

#include <cstring>

#include "intern/interner.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/numpy_api.hpp"

namespace tide::py {
namespace {

bool fail_with_prefix(const char* arg) {
  if (arg != nullptr) prefix_type_error(arg);
  return false;
}

// Calls f(item) for each item of a sequence that is not a str. Re-reads the
// length at every step and holds each item while f runs, so user code run
// by a conversion (a __float__ method) cannot pull an item from under us.
template <class F>
bool for_each_item(PyObject* o, F&& f) {
  if (PyUnicode_Check(o)) {
    PyErr_SetString(PyExc_TypeError, msg::kStrNotList);
    return false;
  }
  if (!PySequence_Check(o)) {
    raise_cannot_convert(o, msg::target::kSequence);
    return false;
  }
  Ref fast = Ref::steal(PySequence_Fast(o, ""));
  if (!fast) {
    // A sequence that cannot be iterated: PySequence_Fast leaves an empty message.
    if (PyErr_ExceptionMatches(PyExc_TypeError)) {
      PyErr_Clear();
      raise_cannot_convert(o, msg::target::kSequence);
    }
    return false;
  }
  for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(fast.get()); ++i) {
    Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(fast.get(), i));
    if (!f(item.get())) return false;
  }
  return true;
}

template <class T, class Convert>
bool to_list(PyObject* o, std::vector<T>* out, const char* arg, Convert convert) {
  out->clear();
  const bool ok = for_each_item(o, [&](PyObject* item) {
    T v{};
    if (!convert(item, &v, nullptr)) return false;
    out->push_back(std::move(v));
    return true;
  });
  return ok || fail_with_prefix(arg);
}

// A one-dimensional float64 NumPy array, read without per-item objects.
bool read_float64_array(PyObject* o, std::vector<double>* out) {
  auto* a = reinterpret_cast<PyArrayObject*>(o);
  const npy_intp n = PyArray_DIM(a, 0);
  const npy_intp stride = PyArray_STRIDE(a, 0);
  const char* data = static_cast<const char*>(PyArray_DATA(a));
  out->resize(static_cast<size_t>(n));
  // memcpy: a view at an odd byte offset is not aligned for double.
  for (npy_intp i = 0; i < n; ++i) std::memcpy(&(*out)[i], data + i * stride, sizeof(double));
  return true;
}

}  // namespace

std::string type_name(PyObject* o) {
  Ref name = Ref::steal(PyType_GetName(Py_TYPE(o)));
  if (!name) {
    PyErr_Clear();
    return Py_TYPE(o)->tp_name;
  }
  const char* s = PyUnicode_AsUTF8(name.get());
  if (s == nullptr) {
    PyErr_Clear();
    return Py_TYPE(o)->tp_name;
  }
  return s;
}

void raise_cannot_convert(PyObject* o, const char* target) {
  PyErr_Format(PyExc_TypeError, msg::kCannotConvert, type_name(o).c_str(), target);
}

void prefix_type_error(const char* arg) {
  if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
  PyObject* exc = PyErr_GetRaisedException();
  Ref text = Ref::steal(PyObject_Str(exc));
  Py_DECREF(exc);
  if (!text) return;
  PyErr_Format(PyExc_TypeError, msg::kArgPrefix, arg, text.get());
}

bool to_double(PyObject* o, double* out, const char* arg) {
  const double v = PyFloat_AsDouble(o);
  if (v == -1.0 && PyErr_Occurred()) return fail_with_prefix(arg);
  *out = v;
  return true;
}

bool to_bool(PyObject* o, bool* out, const char* arg) {
  if (PyBool_Check(o)) {
    *out = o == Py_True;
    return true;
  }
  if (PyArray_IsScalar(o, Bool)) {
    *out = PyArrayScalar_VAL(o, Bool) != 0;
    return true;
  }
  raise_cannot_convert(o, msg::target::kBool);
  return fail_with_prefix(arg);
}

bool to_string(PyObject* o, std::string* out, const char* arg) {
  if (!PyUnicode_Check(o)) {
    raise_cannot_convert(o, msg::target::kString);
    return fail_with_prefix(arg);
  }
  Py_ssize_t n = 0;
  const char* s = PyUnicode_AsUTF8AndSize(o, &n);
  if (s == nullptr) return fail_with_prefix(arg);
  out->assign(s, static_cast<size_t>(n));
  return true;
}

bool to_size(PyObject* o, size_t* out, const char* arg) {
  Ref index = Ref::steal(PyNumber_Index(o));
  if (!index) return fail_with_prefix(arg);
  const size_t v = PyLong_AsSize_t(index.get());
  if (v == static_cast<size_t>(-1) && PyErr_Occurred()) return fail_with_prefix(arg);
  *out = v;
  return true;
}

bool to_int32(PyObject* o, int32_t* out, const char* arg) {
  Ref index = Ref::steal(PyNumber_Index(o));
  if (!index) return fail_with_prefix(arg);
  const long long v = PyLong_AsLongLong(index.get());
  if (v == -1 && PyErr_Occurred()) return fail_with_prefix(arg);
  if (v < INT32_MIN || v > INT32_MAX) {
    PyErr_SetString(PyExc_OverflowError, "out of range integral type conversion attempted");
    return false;
  }
  *out = static_cast<int32_t>(v);
  return true;
}

bool to_string_list(PyObject* o, std::vector<std::string>* out, const char* arg) {
  return to_list(o, out, arg, to_string);
}

bool to_string_lists(PyObject* o, std::vector<std::vector<std::string>>* out, const char* arg) {
  return to_list(o, out, arg, to_string_list);
}

bool to_double_list(PyObject* o, std::vector<double>* out, const char* arg) {
  // The raw read needs native byte order; other arrays convert item by item.
  if (PyArray_Check(o) && PyArray_NDIM(reinterpret_cast<PyArrayObject*>(o)) == 1 &&
      PyArray_TYPE(reinterpret_cast<PyArrayObject*>(o)) == NPY_FLOAT64 &&
      PyArray_ISNOTSWAPPED(reinterpret_cast<PyArrayObject*>(o)))
    return read_float64_array(o, out);
  return to_list(o, out, arg, to_double);
}

bool to_double_lists(PyObject* o, std::vector<std::vector<double>>* out, const char* arg) {
  return to_list(o, out, arg, to_double_list);
}

bool to_bool_list(PyObject* o, std::vector<bool>* out, const char* arg) { return to_list(o, out, arg, to_bool); }

bool to_bool_lists(PyObject* o, std::vector<std::vector<bool>>* out, const char* arg) {
  return to_list(o, out, arg, to_bool_list);
}

bool to_size_list(PyObject* o, std::vector<size_t>* out, const char* arg) { return to_list(o, out, arg, to_size); }

bool to_object_list(PyObject* o, std::vector<Ref>* out, const char* arg) {
  out->clear();
  const bool ok = for_each_item(o, [&](PyObject* item) {
    out->push_back(Ref::borrow(item));
    return true;
  });
  return ok || fail_with_prefix(arg);
}

bool StringItems::convert(PyObject* o, const char* arg) {
  size_ = 0;
  if (PyUnicode_Check(o)) {
    PyErr_SetString(PyExc_TypeError, msg::kStrNotList);
    return fail_with_prefix(arg);
  }
  if (!PySequence_Check(o)) {
    raise_cannot_convert(o, msg::target::kSequence);
    return fail_with_prefix(arg);
  }
  // A tuple copy owns every item, so the texts outlive changes to `o`.
  items_ = Ref::steal(PySequence_Tuple(o));
  if (!items_) return fail_with_prefix(arg);
  const Py_ssize_t n = PyTuple_GET_SIZE(items_.get());
  for (Py_ssize_t i = 0; i < n; ++i) {
    PyObject* item = PyTuple_GET_ITEM(items_.get(), i);
    if (!PyUnicode_Check(item)) {
      raise_cannot_convert(item, msg::target::kString);
      return fail_with_prefix(arg);
    }
    // Makes the UTF-8 form (an error for lone surrogates) and caches it.
    if (PyUnicode_AsUTF8AndSize(item, nullptr) == nullptr) return fail_with_prefix(arg);
  }
  size_ = static_cast<size_t>(n);
  return true;
}

std::string_view StringItems::text(size_t i) const {
  Py_ssize_t len = 0;
  const char* s = PyUnicode_AsUTF8AndSize(PyTuple_GET_ITEM(items_.get(), static_cast<Py_ssize_t>(i)), &len);
  return {s, static_cast<size_t>(len)};
}

Expected<std::vector<TokenId>> StringItems::intern() const {
  return global_interner().intern_stream(size_, [this](size_t i) { return text(i); });
}

}  // namespace tide::py
