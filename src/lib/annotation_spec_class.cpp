// AnnotationSpec: nine static constructors, one per kind of label column.
// Each converts its plain arguments first, then its references, then the
// aggregation name, and stops at the first error.
#include "annotate/quote.hpp"
#include "lib/annotation_spec_docs.hpp"
#include "lib/annotation_spec_object.hpp"
#include "lib/binder.hpp"
#include "lib/classes.hpp"
#include "lib/convert.hpp"
#include "lib/errors.hpp"
#include "lib/machine_arg.hpp"
#include "lib/method_def.hpp"
#include "lib/pickling.hpp"
#include "lib/span_ref_convert.hpp"
#include "lib/state_machine_object.hpp"
#include "lib/token_ref_convert.hpp"

namespace tide::py {
namespace {

PyObject* new_spec(std::string name, AnnotKind kind) {
  PyTypeObject* type = class_type(Class::AnnotationSpec);
  if (type == nullptr) return nullptr;
  return box_new<AnnotationSpecHolder>(type, AnnotationSpecHolder{std::move(name), std::move(kind)});
}

// `text` came from the str object `given`, which the message quotes.
bool parse_agg(const std::string& text, PyObject* given, AggKind* out) {
  if (text == "min") {
    *out = AggKind::Min;
  } else if (text == "max") {
    *out = AggKind::Max;
  } else if (text == "mean") {
    *out = AggKind::Mean;
  } else if (text == "count") {
    *out = AggKind::Count;
  } else {
    PyErr_Format(PyExc_ValueError, msg::kUnknownAggregation, given);
    return false;
  }
  return true;
}

// The four methods (name, reference, window_t, partial_window=False).
template <class Kind, class Ref, bool (*parse)(PyObject*, Ref*)>
PyObject* windowed(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(sig, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    std::string name;
    double window_t = 0.0;
    bool partial_window = false;
    if (!to_string(a[0], &name, "name") || !to_double(a[2], &window_t, "window_t") ||
        !optional_arg(a[3], &partial_window, "partial_window", to_bool))
      return nullptr;
    Ref ref;
    if (!parse(a[1], &ref)) return nullptr;
    return new_spec(std::move(name), Kind{{std::move(ref), window_t, partial_window}});
  });
}

constexpr const char* kOccurrenceParams[] = {"name", "x", "window_t", "partial_window"};
constexpr const char* kSpanOccurrenceParams[] = {"name", "span", "window_t", "partial_window"};
constexpr Signature kFutureOccurrence{"AnnotationSpec.future_occurrence", kOccurrenceParams, 3};
constexpr Signature kPastOccurrence{"AnnotationSpec.past_occurrence", kOccurrenceParams, 3};
constexpr Signature kFutureSpanOccurrence{"AnnotationSpec.future_span_occurrence", kSpanOccurrenceParams, 3};
constexpr Signature kPastSpanOccurrence{"AnnotationSpec.past_span_occurrence", kSpanOccurrenceParams, 3};

PyObject* future_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<FutureOccurrence, TokenRef, parse_token_ref>(kFutureOccurrence, args, nargs, kwnames);
}

PyObject* past_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<PastOccurrence, TokenRef, parse_token_ref>(kPastOccurrence, args, nargs, kwnames);
}

PyObject* future_span_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<FutureSpanOccurrence, SpanRef, parse_span_ref>(kFutureSpanOccurrence, args, nargs, kwnames);
}

PyObject* past_span_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<PastSpanOccurrence, SpanRef, parse_span_ref>(kPastSpanOccurrence, args, nargs, kwnames);
}

constexpr const char* kBeforeEventParams[] = {"name", "x", "y", "reset"};
constexpr Signature kBeforeEvent{"AnnotationSpec.before_event", kBeforeEventParams, 3};

PyObject* before_event(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(kBeforeEvent, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    BeforeEvent kind;
    std::string name;
    if (!to_string(a[0], &name, "name") || !optional_arg(a[3], &kind.reset, "reset", to_bool) ||
        !parse_token_ref(a[1], &kind.x) || !parse_token_ref(a[2], &kind.y))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

constexpr const char* kInSpanParams[] = {"name", "x", "span"};
constexpr Signature kInSpan{"AnnotationSpec.in_span", kInSpanParams, 3};

PyObject* in_span(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<3>(kInSpan, args, nargs, kwnames, [&](const Bound<3>& a) -> PyObject* {
    InSpan kind;
    std::string name;
    if (!to_string(a[0], &name, "name") || !parse_span_ref(a[2], &kind.span) || !parse_token_ref(a[1], &kind.x))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

constexpr const char* kWindowAggregateParams[] = {"name", "k", "window_t", "agg", "forward", "partial_window"};
constexpr Signature kWindowAggregate{"AnnotationSpec.window_aggregate", kWindowAggregateParams, 3};

PyObject* window_aggregate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<6>(kWindowAggregate, args, nargs, kwnames, [&](const Bound<6>& a) -> PyObject* {
    WindowAggregate kind;
    std::string name, agg = "mean";
    if (!to_string(a[0], &name, "name") || !to_double(a[2], &kind.window_t, "window_t") ||
        !optional_arg(a[3], &agg, "agg", to_string) || !optional_arg(a[4], &kind.forward, "forward", to_bool) ||
        !optional_arg(a[5], &kind.partial_window, "partial_window", to_bool) || !parse_token_ref(a[1], &kind.k) ||
        !parse_agg(agg, a[3], &kind.agg))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

constexpr const char* kSpanAggregateParams[] = {"name", "k", "span", "agg"};
constexpr Signature kSpanAggregate{"AnnotationSpec.span_aggregate", kSpanAggregateParams, 3};

PyObject* span_aggregate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(kSpanAggregate, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    SpanAggregate kind;
    std::string name, agg = "mean";
    if (!to_string(a[0], &name, "name") || !optional_arg(a[3], &agg, "agg", to_string) ||
        !parse_span_ref(a[2], &kind.span) || !parse_token_ref(a[1], &kind.k) || !parse_agg(agg, a[3], &kind.agg))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

constexpr const char* kStateLabelParams[] = {"name", "machine", "default_state", "invalid_label"};
constexpr Signature kStateLabel{"AnnotationSpec.state_label", kStateLabelParams, 2};

// The machine is frozen here: later edits to it do not reach the spec.
PyObject* state_label(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<4>(kStateLabel, args, nargs, kwnames, [&](const Bound<4>& a) -> PyObject* {
    StateLabel kind;
    std::string name;
    if (!to_string(a[0], &name, "name") || !to_machine(a[1], "machine") ||
        !optional_arg(a[2], &kind.default_state, "default_state", to_int32) ||
        !optional_arg(a[3], &kind.invalid_label, "invalid_label", to_int32))
      return nullptr;
    auto snapshot = finalize(machine_decl(a[1]));
    if (!check(snapshot)) return nullptr;
    kind.machine = std::move(*snapshot);
    return new_spec(std::move(name), std::move(kind));
  });
}

PyObject* spec_repr(PyObject* self) {
  return guarded([&] {
    const std::string text = "AnnotationSpec(name=" + quoted(annotation_spec(self).name) + ")";
    return PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
  });
}

PyMethodDef kMethods[] = {
    TIDE_STATIC_FASTCALL(future_occurrence),
    TIDE_STATIC_FASTCALL(past_occurrence),
    TIDE_STATIC_FASTCALL(before_event),
    TIDE_STATIC_FASTCALL(in_span),
    TIDE_STATIC_FASTCALL(future_span_occurrence),
    TIDE_STATIC_FASTCALL(past_span_occurrence),
    TIDE_STATIC_FASTCALL(window_aggregate),
    TIDE_STATIC_FASTCALL(span_aggregate),
    TIDE_STATIC_FASTCALL(state_label),
    TIDE_PICKLE_METHODS(reduce_annotation_spec, copy_frozen),
    TIDE_END_METHODS,
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(no_constructor)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<AnnotationSpecHolder>)},
    {Py_tp_doc, const_cast<char*>("")},
    {Py_tp_repr, reinterpret_cast<void*>(spec_repr)},
    {Py_tp_methods, kMethods},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.AnnotationSpec", sizeof(Box<AnnotationSpecHolder>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& annotation_spec_spec() { return kSpec; }

}  // namespace tide::py
