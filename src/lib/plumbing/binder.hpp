// One declarative argument binder for every entry point: parameters by
// position or keyword, in signature order, with the interpreter's wording
// for binding errors.
#pragma once

#include <cstddef>
#include <string_view>

#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/py_ref.hpp"
#include "lib/plumbing/signature.hpp"

namespace tide::py {

// A parameter named in code, checked against the signature when compiled:
// `a.arg<"min_dt">()` does not compile unless the signature has a min_dt.
template <size_t N>
struct ParamName {
  char text[N];
  consteval ParamName(const char (&s)[N]) {
    for (size_t i = 0; i < N; ++i) text[i] = s[i];
  }
  constexpr std::string_view view() const { return {text, N - 1}; }
};

// One bound argument and the name that conversion errors print.
struct Arg {
  PyObject* obj;  // borrowed; null when not given
  const char* name;
  // Given and not None: how optional list and object parameters count as present.
  bool present() const { return obj != nullptr && obj != Py_None; }
};

// The arguments bound to the parameters of `S`, addressed by name.
template <const Signature& S>
struct Args {
  PyObject* slot[S.n_params] = {};

  template <ParamName P>
  static constexpr size_t index() {
    constexpr size_t i = S.index(P.view());
    static_assert(i < S.n_params, "the signature has no parameter of this name");
    return i;
  }
  template <ParamName P>
  Arg arg() const {
    return {slot[index<P>()], S.params[index<P>()].name};
  }
  template <ParamName P>
  PyObject* get() const {
    return slot[index<P>()];
  }
};

// Vectorcall form (METH_FASTCALL | METH_KEYWORDS). `out` has sig.n_params slots.
bool bind_fast(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out);
// tp_new form: a tuple and an optional dict.
bool bind_tuple(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out);

template <const Signature& S>
bool bind(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, Args<S>& out) {
  return bind_fast(S, args, nargs, kwnames, out.slot);
}
template <const Signature& S>
bool bind(PyObject* args, PyObject* kwargs, Args<S>& out) {
  return bind_tuple(S, args, kwargs, out.slot);
}

// An entry point's frame: binds the arguments and runs body(bound) inside
// the entry guard.
template <const Signature& S, class F>
PyObject* call_bound(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, F&& body) {
  return guarded([&]() -> PyObject* {
    Args<S> a;
    if (!bind(args, nargs, kwnames, a)) return nullptr;
    return body(a);
  });
}

}  // namespace tide::py
