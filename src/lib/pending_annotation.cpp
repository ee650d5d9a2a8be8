#include "lib/pending.hpp"

#include "lib/boxed.hpp"
#include "lib/classes.hpp"
#include "lib/functions.hpp"

// Placeholder for the AnnotationSpec class and annotate_stream.
namespace tide::py {

PyObject* annotate_stream(PyObject* s, PyObject* const* a, Py_ssize_t n, PyObject* k) { return not_implemented(s, a, n, k); }

namespace {

#define PENDING(name, sig, flags) \
  {name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(not_implemented)), flags, sig "\n--\n\n"}
constexpr int kMethod = METH_FASTCALL | METH_KEYWORDS;
constexpr int kStatic = METH_FASTCALL | METH_KEYWORDS | METH_STATIC;

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

#undef PENDING

struct Empty {};

PyType_Slot kAnnotationSlots[] = {{Py_tp_new, reinterpret_cast<void*>(no_constructor)},
                                  {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Empty>)},
                                  {Py_tp_methods, kAnnotationMethods},
                                  {0, nullptr}};

PyType_Spec kAnnotation{"builtins.AnnotationSpec", sizeof(Box<Empty>), 0, kClassFlags, kAnnotationSlots};

}  // namespace

PyType_Spec& annotation_spec_spec() { return kAnnotation; }

}  // namespace tide::py
