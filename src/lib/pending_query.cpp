#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"
#include "lib/pattern_object.hpp"

// Placeholders for the builders that have not landed yet.
namespace tide::py {

PyObject* add_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event_set(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_mapped_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_midstream_collector(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }

}  // namespace tide::py
