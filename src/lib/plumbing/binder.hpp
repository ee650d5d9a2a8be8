// One declarative argument binder for every entry point: parameters by
// position or keyword, in signature order, with the interpreter's wording
// for binding errors.
#pragma once

#include <cstddef>

#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

struct Signature {
  const char* name;           // "vocab_ids", "Pattern.add_event", "Pattern.__new__"
  const char* const* params;  // parameter names in signature order
  size_t n_params;
  size_t n_required;  // the first n_required parameters have no default

  template <size_t N>
  constexpr Signature(const char* name_, const char* const (&params_)[N], size_t n_required_)
      : name(name_), params(params_), n_params(N), n_required(n_required_) {}
};

// Bound arguments: borrowed references, null for a parameter not given.
template <size_t N>
struct Bound {
  PyObject* slot[N] = {};
  PyObject* operator[](size_t i) const { return slot[i]; }
  // Given and not None: how optional list and object parameters count as present.
  bool present(size_t i) const { return slot[i] != nullptr && slot[i] != Py_None; }
};

// Vectorcall form (METH_FASTCALL | METH_KEYWORDS). `out` has sig.n_params slots.
bool bind_fast(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out);
// tp_new form: a tuple and an optional dict.
bool bind_tuple(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out);

template <size_t N>
bool bind(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, Bound<N>& out) {
  return bind_fast(sig, args, nargs, kwnames, out.slot);
}
template <size_t N>
bool bind(const Signature& sig, PyObject* args, PyObject* kwargs, Bound<N>& out) {
  return bind_tuple(sig, args, kwargs, out.slot);
}

// An entry point's frame: binds the arguments and runs body(bound) inside
// the entry guard.
template <size_t N, class F>
PyObject* call_bound(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, F&& body) {
  return guarded([&]() -> PyObject* {
    Bound<N> a;
    if (!bind(sig, args, nargs, kwnames, a)) return nullptr;
    return body(a);
  });
}

}  // namespace tide::py
