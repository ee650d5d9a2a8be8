#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"
#include "lib/pattern_object.hpp"

// Placeholder for the TideQuery and PreprocessedStream classes and the builders.
namespace tide::py {

PyObject* add_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_event_set(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_event_seq(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event_set(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_mapped_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_midstream_collector(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }

namespace {

#define PENDING(name, sig, flags) \
  {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(not_implemented)), flags, sig "\n--\n\n"}
constexpr int kMethod = METH_FASTCALL | METH_KEYWORDS;

PyMethodDef kQueryMethods[] = {
    PENDING("match_stream", "match_stream($self, tokens, times, values=None, first_only=False, include_tokens=False)", kMethod),
    PENDING("preprocess", "preprocess($self, tokens, times, values=None)", kMethod),
    PENDING("match_preprocessed", "match_preprocessed($self, stream, first_only=False, include_tokens=False)", kMethod),
    PENDING("match_batch", "match_batch($self, token_ids, times, offsets, values=None)", kMethod),
    {nullptr, nullptr, 0, nullptr}};

#undef PENDING

struct Empty {};

PyType_Slot kQuerySlots[] = {{Py_tp_new, reinterpret_cast<void*>(not_implemented_new)},
                             {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                             {Py_tp_methods, kQueryMethods},
                             {Py_tp_doc, const_cast<char*>("TideQuery(pattern)\n--\n\n")},
                             {0, nullptr}};
PyType_Slot kPreprocessedSlots[] = {{Py_tp_new, reinterpret_cast<void*>(no_constructor)},
                                    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                                    {0, nullptr}};

PyType_Spec kQuery{"builtins.TideQuery", sizeof(Box<Empty>), 0, kClassFlags, kQuerySlots};
PyType_Spec kPreprocessed{"builtins.PreprocessedStream", sizeof(Box<Empty>), 0, kClassFlags, kPreprocessedSlots};

}  // namespace

PyType_Spec& query_spec() { return kQuery; }
PyType_Spec& preprocessed_spec() { return kPreprocessed; }

}  // namespace tide::py
