#include "engine/engine.hpp"
#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/binder.hpp"
#include "lib/plumbing/cancel_check.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/errors.hpp"
#include "lib/plumbing/method_def.hpp"
#include "lib/plumbing/pickle_methods.hpp"
#include "lib/plumbing/stream_input.hpp"
#include "lib/query/match_result.hpp"
#include "lib/query/query_object.hpp"
#include "lib/query/query_signatures.hpp"

namespace tide::py {
namespace {

PyObject* query_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Args<sig::kQueryClass> a;
    if (!bind(args, kwargs, a)) return nullptr;
    PyObject* pattern = a.get<"pattern">();
    if (!is_instance(pattern, Class::Pattern)) {
      raise_cannot_convert(pattern, class_name(Class::Pattern));
      prefix_type_error("pattern");
      return nullptr;
    }
    return box_new<Pattern>(type, pattern_holder(pattern).pattern);
  });
}

template <const Signature& S>
bool convert_flags(const Args<S>& a, bool* first_only, bool* include_tokens) {
  return optional_arg(a.template arg<"first_only">(), first_only, to_bool) &&
         optional_arg(a.template arg<"include_tokens">(), include_tokens, to_bool);
}

PyObject* match_stream(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_match_stream>(args, nargs, kwnames, [&](const Args<sig::k_match_stream>& a) -> PyObject* {
    StreamInput stream;
    bool first_only = false, include_tokens = false;
    if (!stream.convert(a.get<"tokens">(), a.get<"times">(), a.get<"values">()) ||
        !convert_flags(a, &first_only, &include_tokens) || !stream.check_lens() || !stream.intern())
      return nullptr;
    return run_query(query_pattern(self), stream.view(), first_only, include_tokens);
  });
}

PyObject* preprocess(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<sig::k_preprocess>(args, nargs, kwnames, [&](const Args<sig::k_preprocess>& a) -> PyObject* {
    StreamInput stream;
    if (!stream.convert(a.get<"tokens">(), a.get<"times">(), a.get<"values">()) || !stream.check_lens() ||
        !stream.intern())
      return nullptr;
    PyTypeObject* type = class_type(Class::PreprocessedStream);
    if (type == nullptr) return nullptr;
    stream.own();
    return box_new<InternedStream>(type, std::move(static_cast<InternedStream&>(stream)));
  });
}

PyObject* match_preprocessed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  using A = Args<sig::k_match_preprocessed>;
  return call_bound<sig::k_match_preprocessed>(args, nargs, kwnames, [&](const A& a) -> PyObject* {
    PyObject* stream = a.get<"stream">();
    if (!is_instance(stream, Class::PreprocessedStream)) {
      raise_cannot_convert(stream, class_name(Class::PreprocessedStream));
      prefix_type_error("stream");
      return nullptr;
    }
    bool first_only = false, include_tokens = false;
    if (!convert_flags(a, &first_only, &include_tokens)) return nullptr;
    return run_query(query_pattern(self), unbox<InternedStream>(stream).view(), first_only, include_tokens);
  });
}

PyMethodDef kMethods[] = {
    TIDE_FASTCALL(match_stream),
    TIDE_FASTCALL(preprocess),
    TIDE_FASTCALL(match_preprocessed),
    TIDE_FASTCALL(match_batch),
    TIDE_PICKLE_METHODS(reduce_query, copy_frozen),
    TIDE_END_METHODS,
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(query_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Pattern>)},
    {Py_tp_methods, kMethods},
    {Py_tp_doc, const_cast<char*>(signed_doc<sig::kQueryClass>())},
    {0, nullptr},
};

PyType_Spec kSpec{"builtins.TideQuery", sizeof(Box<Pattern>), 0, kClassFlags, kSlots};

}  // namespace

PyType_Spec& query_spec() { return kSpec; }

PyObject* run_query(const Pattern& pattern, const StreamView& stream, bool first_only, bool include_tokens) {
  if (!check(check_element_count(pattern))) return nullptr;
  const Engine engine(pattern);
  CancelCheck cancel = interrupt_check();
  auto buf = tide::match_stream(engine, stream, first_only, include_tokens, cancel);
  if (!check(buf)) return nullptr;
  std::optional<CollectorStrategy> mid;
  if (pattern.midstream) mid = pattern.midstream->collector;
  return buf_to_py(std::move(*buf), pattern.collector, mid);
}

}  // namespace tide::py
