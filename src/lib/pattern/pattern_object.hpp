// The Python class Pattern: a pattern under construction.
#pragma once

#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/boxed.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/exclusive.hpp"
#include "types/pattern.hpp"

namespace tide::py {

struct PatternHolder {
  Pattern pattern;
  bool busy = false;  // a builder call is converting its arguments
};

inline PatternHolder& pattern_holder(PyObject* self) { return unbox<PatternHolder>(self); }

// One builder call: binds the arguments, takes exclusive access to the
// pattern and runs body(args, pattern), which converts, checks and appends,
// returning false with the exception set when the call fails.
template <const Signature& S, class F>
PyObject* builder_call(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames, F&& body) {
  return call_bound<S>(args, nargs, kwnames, [&](const Args<S>& a) -> PyObject* {
    Exclusive<PatternHolder> access(pattern_holder(self), "Pattern");
    if (!access || !body(a, access->pattern)) return nullptr;
    Py_RETURN_NONE;
  });
}

// The builder methods, each in the file of its element family.
PyObject* add_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_event_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_event_seq(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_dynamic_time_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_dynamic_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_dynamic_event_set(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_mapped_event(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* add_midstream_collector(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

// __reduce__ and __copy__ / __deepcopy__ (pattern_pickle.cpp).
PyObject* reduce_pattern(PyObject* self, PyObject*);
PyObject* copy_pattern(PyObject* self, PyObject*);

}  // namespace tide::py
