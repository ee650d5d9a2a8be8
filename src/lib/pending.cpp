#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"
#include "lib/pattern_object.hpp"

namespace tide::py {

PyObject* not_implemented(PyObject*, PyObject* const*, Py_ssize_t, PyObject*) {
  PyErr_SetString(PyExc_NotImplementedError, "not implemented yet");
  return nullptr;
}

PyObject* not_implemented_new(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_SetString(PyExc_NotImplementedError, "not implemented yet");
  return nullptr;
}

PyObject* add_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_event_set(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_event_seq(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_time_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_dynamic_event_set(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_mapped_event(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* add_midstream_collector(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* annotate_stream(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }
PyObject* state_spans(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }

namespace {

#define PENDING(name, sig, flags) \
  {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(not_implemented)), flags, sig "\n--\n\n"}
constexpr int kMethod = METH_FASTCALL | METH_KEYWORDS;
constexpr int kStatic = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

PyMethodDef kQueryMethods[] = {
    PENDING("match_stream", "match_stream($self, tokens, times, values=None, first_only=False, include_tokens=False)", kMethod),
    PENDING("preprocess", "preprocess($self, tokens, times, values=None)", kMethod),
    PENDING("match_preprocessed", "match_preprocessed($self, stream, first_only=False, include_tokens=False)", kMethod),
    PENDING("match_batch", "match_batch($self, token_ids, times, offsets, values=None)", kMethod),
    {nullptr, nullptr, 0, nullptr}};

PyMethodDef kAnnotationMethods[] = {
    PENDING("future_occurrence", "future_occurrence(name, x, window_t, partial_window=False)", kStatic),
    PENDING("past_occurrence", "past_occurrence(name, x, window_t, partial_window=False)", kStatic),
    PENDING("before_event", "before_event(name, x, y, reset=True)", kStatic),
    PENDING("in_span", "in_span(name, x, span)", kStatic),
    PENDING("future_span_occurrence", "future_span_occurrence(name, span, window_t, partial_window=False)", kStatic),
    PENDING("past_span_occurrence", "past_span_occurrence(name, span, window_t, partial_window=False)", kStatic),
    PENDING("window_aggregate", "window_aggregate(name, k, window_t, agg=\"mean\", forward=True, partial_window=False)", kStatic),
    PENDING("span_aggregate", "span_aggregate(name, k, span, agg=\"mean\")", kStatic),
    PENDING("state_label", "state_label(name, machine, default_state=0, invalid_label=...)", kStatic),
    {nullptr, nullptr, 0, nullptr}};

PyMethodDef kMachineMethods[] = {
    PENDING("add_state", "add_state($self, name, max_gap=..., gap_anchor=\"sustain\", sustain=None, self_transition=\"refresh\", min_duration=0.0, min_events=1, require=None, drop_unclosed=True, timeout_to=None)", kMethod),
    PENDING("add_entry", "add_entry($self, state, trigger, from_states=None, anchor=\"end\")", kMethod),
    PENDING("add_exit", "add_exit($self, state, trigger, inclusive=True, anchor=\"end\")", kMethod),
    PENDING("span", "span($self, state, valid_only=True)", kMethod),
    PENDING("state_id", "state_id($self, name)", kMethod),
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
PyType_Slot kAnnotationSlots[] = {{Py_tp_new, reinterpret_cast<void*>(no_constructor)},
                                  {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                                  {Py_tp_methods, kAnnotationMethods},
                                  {0, nullptr}};
PyType_Slot kMachineSlots[] = {{Py_tp_new, reinterpret_cast<void*>(not_implemented_new)},
                               {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                               {Py_tp_methods, kMachineMethods},
                               {Py_tp_doc, const_cast<char*>("StateMachine(out_name=\"out\")\n--\n\n")},
                               {0, nullptr}};
PyType_Slot kSpanSlots[] = {{Py_tp_new, reinterpret_cast<void*>(no_constructor)},
                            {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                            {Py_tp_doc, const_cast<char*>("A snapshot of one state's occupancy, used as a span source.")},
                            {0, nullptr}};

PyType_Spec kQuery{"builtins.TideQuery", sizeof(Box<Empty>), 0, kClassFlags, kQuerySlots};
PyType_Spec kPreprocessed{"builtins.PreprocessedStream", sizeof(Box<Empty>), 0, kClassFlags, kPreprocessedSlots};
PyType_Spec kAnnotation{"builtins.AnnotationSpec", sizeof(Box<Empty>), 0, kClassFlags, kAnnotationSlots};
PyType_Spec kMachine{"builtins.StateMachine", sizeof(Box<Empty>), 0, kClassFlags, kMachineSlots};
PyType_Spec kSpan{"builtins.StateSpan", sizeof(Box<Empty>), 0, kClassFlags, kSpanSlots};

}  // namespace

PyType_Spec& query_spec() { return kQuery; }
PyType_Spec& preprocessed_spec() { return kPreprocessed; }
PyType_Spec& annotation_spec_spec() { return kAnnotation; }
PyType_Spec& state_machine_spec() { return kMachine; }
PyType_Spec& state_span_spec() { return kSpan; }

}  // namespace tide::py
