// Conversions of Python arguments to C++ values. Every converter takes the
// parameter name `arg`: when it is not null, a TypeError raised while
// converting is prefixed with "argument 'NAME': "; other exceptions pass
// through unchanged. Converters return false with the exception set.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "types/expected.hpp"
#include "types/token_id.hpp"

namespace tide::py {

// "'{type name}' object cannot be converted to '{target}'" as a TypeError.
void raise_cannot_convert(PyObject* o, const char* target);
// Rewrites a pending TypeError as "argument 'NAME': {message}".
void prefix_type_error(const char* arg);
// The object's type name as Python shows it ("list", "ndarray").
std::string type_name(PyObject* o);

// Any real number: float, int, objects with __float__ or __index__.
bool to_double(PyObject* o, double* out, const char* arg);
// A Python bool or a NumPy bool.
bool to_bool(PyObject* o, bool* out, const char* arg);
// A str (subclasses included), as UTF-8.
bool to_string(PyObject* o, std::string* out, const char* arg);
// A non-negative int (anything with __index__); OverflowError unchanged.
bool to_size(PyObject* o, size_t* out, const char* arg);
// A signed 32-bit int; OverflowError unchanged.
bool to_int32(PyObject* o, int32_t* out, const char* arg);

// Sequences (never a str itself) of the above.
bool to_string_list(PyObject* o, std::vector<std::string>* out, const char* arg);
bool to_string_lists(PyObject* o, std::vector<std::vector<std::string>>* out, const char* arg);
bool to_double_list(PyObject* o, std::vector<double>* out, const char* arg);
bool to_double_lists(PyObject* o, std::vector<std::vector<double>>* out, const char* arg);
bool to_bool_list(PyObject* o, std::vector<bool>* out, const char* arg);
bool to_bool_lists(PyObject* o, std::vector<std::vector<bool>>* out, const char* arg);
bool to_size_list(PyObject* o, std::vector<size_t>* out, const char* arg);
// The items themselves, held while they are used.
bool to_object_list(PyObject* o, std::vector<Ref>* out, const char* arg);

// A sequence of str, held as a tuple of its items: each text is read in
// place when it is used, so a long stream needs no array of views.
class StringItems {
 public:
  bool convert(PyObject* o, const char* arg);
  size_t size() const { return size_; }
  // The UTF-8 text of item i (made and cached by convert, so this cannot fail).
  std::string_view text(size_t i) const;
  // The interner's ids of every item, under one interner lock.
  Expected<std::vector<TokenId>> intern() const;

 private:
  Ref items_;  // keeps the str objects alive
  size_t size_ = 0;
};

// Optional parameters: a null (not given) object leaves `out` at its default.
// With `none_is_absent`, None counts as not given too.
template <class T, class F>
bool optional_arg(PyObject* o, T* out, const char* arg, F convert, bool none_is_absent = false) {
  if (o == nullptr || (none_is_absent && o == Py_None)) return true;
  return convert(o, out, arg);
}

// The same for a bound argument, which carries its parameter's name.
template <class T, class F>
bool optional_arg(Arg a, T* out, F convert, bool none_is_absent = false) {
  return optional_arg(a.obj, out, a.name, convert, none_is_absent);
}
// A required argument (or one the caller has checked is given).
template <class T, class F>
bool convert_arg(Arg a, T* out, F convert) {
  return convert(a.obj, out, a.name);
}

}  // namespace tide::py
