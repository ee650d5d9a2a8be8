// AnnotationSpec: nine static constructors, one per kind of label column.
// Each converts its plain arguments first, then its references, then the
// aggregation name, and stops at the first error.
#include "lib/annotate/annotation_spec_object.hpp"
#include "lib/annotate/annotation_spec_signatures.hpp"
#include "lib/annotate/span_ref_convert.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/method_def.hpp"
#include "lib/plumbing/pickle_methods.hpp"
#include "lib/refs/token_ref_convert.hpp"
#include "lib/state/machine_arg.hpp"
#include "lib/state/state_machine_object.hpp"
#include "types/quote.hpp"
#include "types/word_table.hpp"

namespace tide::py {
namespace {

PyObject* new_spec(std::string name, AnnotKind kind) {
  PyTypeObject* type = class_type(Class::AnnotationSpec);
  if (type == nullptr) return nullptr;
  return box_new<AnnotationSpecHolder>(type, AnnotationSpecHolder{std::move(name), std::move(kind)});
}

constexpr Word<AggKind> kAggWords[] = {
    {"min", AggKind::Min}, {"max", AggKind::Max}, {"mean", AggKind::Mean}, {"count", AggKind::Count}};
constexpr WordTable<AggKind> kAggs{"aggregation", kAggWords};

bool parse_agg(const std::string& text, AggKind* out) {
  auto agg = kAggs.parse(text);
  if (!check(agg)) return false;
  *out = *agg;
  return true;
}

// The four methods (name, reference, window_t, partial_window=False); the
// reference is the parameter `RefParam`.
template <class Kind, class Ref, bool (*parse)(PyObject*, Ref*), const Signature& S, ParamName RefParam>
PyObject* windowed(PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<S>(args, nargs, kwnames, [&](const Args<S>& a) -> PyObject* {
    std::string name;
    double window_t = 0.0;
    bool partial_window = false;
    if (!convert_arg(a.template arg<"name">(), &name, to_string) ||
        !convert_arg(a.template arg<"window_t">(), &window_t, to_double) ||
        !optional_arg(a.template arg<"partial_window">(), &partial_window, to_bool))
      return nullptr;
    Ref ref;
    if (!parse(a.template get<RefParam>(), &ref)) return nullptr;
    return new_spec(std::move(name), Kind{{std::move(ref), window_t, partial_window}});
  });
}

PyObject* future_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<FutureOccurrence, TokenRef, parse_token_ref, sig::k_future_occurrence, "x">(args, nargs, kwnames);
}

PyObject* past_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<PastOccurrence, TokenRef, parse_token_ref, sig::k_past_occurrence, "x">(args, nargs, kwnames);
}

PyObject* future_span_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<FutureSpanOccurrence, SpanRef, parse_span_ref, sig::k_future_span_occurrence, "span">(args, nargs,
                                                                                                        kwnames);
}

PyObject* past_span_occurrence(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return windowed<PastSpanOccurrence, SpanRef, parse_span_ref, sig::k_past_span_occurrence, "span">(args, nargs,
                                                                                                    kwnames);
}

PyObject* before_event(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_before_event>(args, nargs, kwnames, [&](const Args<sig::k_before_event>& a) -> PyObject* {
    BeforeEvent kind;
    std::string name;
    if (!convert_arg(a.arg<"name">(), &name, to_string) || !optional_arg(a.arg<"reset">(), &kind.reset, to_bool) ||
        !parse_token_ref(a.get<"x">(), &kind.x) || !parse_token_ref(a.get<"y">(), &kind.y))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

PyObject* in_span(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_in_span>(args, nargs, kwnames, [&](const Args<sig::k_in_span>& a) -> PyObject* {
    InSpan kind;
    std::string name;
    if (!convert_arg(a.arg<"name">(), &name, to_string) || !parse_span_ref(a.get<"span">(), &kind.span) ||
        !parse_token_ref(a.get<"x">(), &kind.x))
      return nullptr;
    return new_spec(std::move(name), std::move(kind));
  });
}

PyObject* window_aggregate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_window_aggregate>(
      args, nargs, kwnames, [&](const Args<sig::k_window_aggregate>& a) -> PyObject* {
        WindowAggregate kind;
        std::string name, agg = "mean";
        if (!convert_arg(a.arg<"name">(), &name, to_string) ||
            !convert_arg(a.arg<"window_t">(), &kind.window_t, to_double) ||
            !optional_arg(a.arg<"agg">(), &agg, to_string) ||
            !optional_arg(a.arg<"forward">(), &kind.forward, to_bool) ||
            !optional_arg(a.arg<"partial_window">(), &kind.partial_window, to_bool) ||
            !parse_token_ref(a.get<"k">(), &kind.k) || !parse_agg(agg, &kind.agg))
          return nullptr;
        return new_spec(std::move(name), std::move(kind));
      });
}

PyObject* span_aggregate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_span_aggregate>(
      args, nargs, kwnames, [&](const Args<sig::k_span_aggregate>& a) -> PyObject* {
        SpanAggregate kind;
        std::string name, agg = "mean";
        if (!convert_arg(a.arg<"name">(), &name, to_string) || !optional_arg(a.arg<"agg">(), &agg, to_string) ||
            !parse_span_ref(a.get<"span">(), &kind.span) || !parse_token_ref(a.get<"k">(), &kind.k) ||
            !parse_agg(agg, &kind.agg))
          return nullptr;
        return new_spec(std::move(name), std::move(kind));
      });
}

// The machine is frozen here: later edits to it do not reach the spec.
PyObject* state_label(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_state_label>(args, nargs, kwnames, [&](const Args<sig::k_state_label>& a) -> PyObject* {
    StateLabel kind;
    std::string name;
    if (!convert_arg(a.arg<"name">(), &name, to_string) || !to_machine(a.get<"machine">(), "machine") ||
        !optional_arg(a.arg<"default_state">(), &kind.default_state, to_int32) ||
        !optional_arg(a.arg<"invalid_label">(), &kind.invalid_label, to_int32))
      return nullptr;
    auto snapshot = finalize(machine_decl(a.get<"machine">()));
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
