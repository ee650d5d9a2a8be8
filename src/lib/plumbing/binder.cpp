#include "lib/plumbing/binder.hpp"

#include <string>

#include "lib/plumbing/messages.hpp"

namespace tide::py {
namespace {

bool too_many_positional(const Signature& sig, Py_ssize_t given) {
  const char* verb = given == 1 ? "was" : "were";
  if (sig.n_required == sig.n_params) {
    PyErr_Format(PyExc_TypeError, msg::kTooManyExact, sig.name, static_cast<Py_ssize_t>(sig.n_params),
                 sig.n_params == 1 ? "" : "s", given, verb);
  } else {
    PyErr_Format(PyExc_TypeError, msg::kTooManyRange, sig.name, static_cast<Py_ssize_t>(sig.n_required),
                 static_cast<Py_ssize_t>(sig.n_params), given, verb);
  }
  return false;
}

// Binds one keyword argument into its slot.
bool bind_keyword(const Signature& sig, PyObject* key, PyObject* value, PyObject** out) {
  if (!PyUnicode_Check(key)) {
    PyErr_Format(PyExc_TypeError, msg::kKeywordsNotStr, sig.name);
    return false;
  }
  for (size_t i = 0; i < sig.n_params; ++i) {
    if (PyUnicode_CompareWithASCIIString(key, sig.params[i].name) != 0) continue;
    if (out[i] != nullptr) {
      PyErr_Format(PyExc_TypeError, msg::kMultipleValues, sig.name, sig.params[i].name);
      return false;
    }
    out[i] = value;
    return true;
  }
  PyErr_Format(PyExc_TypeError, msg::kUnexpectedKeyword, sig.name, key);
  return false;
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'", as the interpreter lists names.
bool check_required(const Signature& sig, PyObject** out) {
  std::string names;
  Py_ssize_t missing = 0;
  for (size_t i = 0; i < sig.n_required; ++i)
    if (out[i] == nullptr) ++missing;
  if (missing == 0) return true;
  Py_ssize_t seen = 0;
  for (size_t i = 0; i < sig.n_required; ++i) {
    if (out[i] != nullptr) continue;
    ++seen;
    if (seen > 1) names += missing == 2 ? " and " : (seen == missing ? ", and " : ", ");
    names += "'";
    names += sig.params[i].name;
    names += "'";
  }
  PyErr_Format(PyExc_TypeError, msg::kMissing, sig.name, missing, missing == 1 ? "" : "s", names.c_str());
  return false;
}

}  // namespace

bool bind_fast(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, PyObject** out) {
  nargs = PyVectorcall_NARGS(nargs);
  if (static_cast<size_t>(nargs) > sig.n_params) return too_many_positional(sig, nargs);
  for (size_t i = 0; i < sig.n_params; ++i) out[i] = i < static_cast<size_t>(nargs) ? args[i] : nullptr;
  if (kwnames != nullptr) {
    const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k)
      if (!bind_keyword(sig, PyTuple_GET_ITEM(kwnames, k), args[nargs + k], out)) return false;
  }
  return check_required(sig, out);
}

bool bind_tuple(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out) {
  const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
  if (static_cast<size_t>(nargs) > sig.n_params) return too_many_positional(sig, nargs);
  for (size_t i = 0; i < sig.n_params; ++i)
    out[i] = i < static_cast<size_t>(nargs) ? PyTuple_GET_ITEM(args, i) : nullptr;
  if (kwargs != nullptr) {
    PyObject *key, *value;
    Py_ssize_t pos = 0;
    while (PyDict_Next(kwargs, &pos, &key, &value))
      if (!bind_keyword(sig, key, value, out)) return false;
  }
  return check_required(sig, out);
}

}  // namespace tide::py
