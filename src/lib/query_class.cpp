#include "engine/engine.hpp"
#include "lib/binder.hpp"
#include "lib/cancel_check.hpp"
#include "lib/convert.hpp"
#include "lib/errors.hpp"
#include "lib/match_result.hpp"
#include "lib/method_def.hpp"
#include "lib/pattern_object.hpp"
#include "lib/query_docs.hpp"
#include "lib/query_object.hpp"
#include "lib/stream_input.hpp"

namespace tide::py {
namespace {

constexpr const char* kNewParams[] = {"pattern"};
constexpr Signature kNewSig{"TideQuery.__new__", kNewParams, 1};
constexpr const char* kMatchParams[] = {"tokens", "times", "values", "first_only", "include_tokens"};
constexpr Signature kMatchSig{"TideQuery.match_stream", kMatchParams, 2};
constexpr const char* kPreParams[] = {"tokens", "times", "values"};
constexpr Signature kPreSig{"TideQuery.preprocess", kPreParams, 2};
constexpr const char* kMatchPreParams[] = {"stream", "first_only", "include_tokens"};
constexpr Signature kMatchPreSig{"TideQuery.match_preprocessed", kMatchPreParams, 1};

PyObject* query_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Bound<1> a;
    if (!bind(kNewSig, args, kwargs, a)) return nullptr;
    if (!is_instance(a[0], Class::Pattern)) {
      raise_cannot_convert(a[0], class_name(Class::Pattern));
      prefix_type_error("pattern");
      return nullptr;
    }
    return box_new<Pattern>(type, pattern_holder(a[0]).pattern);
  });
}

bool convert_flags(PyObject* first_only_arg, PyObject* include_arg, bool* first_only, bool* include_tokens) {
  return optional_arg(first_only_arg, first_only, "first_only", to_bool) &&
         optional_arg(include_arg, include_tokens, "include_tokens", to_bool);
}

PyObject* match_stream(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<5>(kMatchSig, args, nargs, kwnames, [&](const Bound<5>& a) -> PyObject* {
    StreamInput stream;
    bool first_only = false, include_tokens = false;
    if (!stream.convert(a[0], a[1], a[2]) || !convert_flags(a[3], a[4], &first_only, &include_tokens) ||
        !stream.check_lens() || !stream.intern())
      return nullptr;
    return run_query(query_pattern(self), stream.view(), first_only, include_tokens);
  });
}

PyObject* preprocess(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<3>(kPreSig, args, nargs, kwnames, [&](const Bound<3>& a) -> PyObject* {
    StreamInput stream;
    if (!stream.convert(a[0], a[1], a[2]) || !stream.check_lens() || !stream.intern()) return nullptr;
    PyTypeObject* type = class_type(Class::PreprocessedStream);
    if (type == nullptr) return nullptr;
    return box_new<PreprocessedData>(
        type, PreprocessedData{std::move(stream.ids), stream.times.take(),
                               stream.values ? std::optional(stream.values->take()) : std::nullopt});
  });
}

PyObject* match_preprocessed(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  return call_bound<3>(kMatchPreSig, args, nargs, kwnames, [&](const Bound<3>& a) -> PyObject* {
    if (!is_instance(a[0], Class::PreprocessedStream)) {
      raise_cannot_convert(a[0], class_name(Class::PreprocessedStream));
      prefix_type_error("stream");
      return nullptr;
    }
    bool first_only = false, include_tokens = false;
    if (!convert_flags(a[1], a[2], &first_only, &include_tokens)) return nullptr;
    return run_query(query_pattern(self), unbox<PreprocessedData>(a[0]).view(), first_only, include_tokens);
  });
}

PyMethodDef kMethods[] = {
    TIDE_FASTCALL(match_stream), TIDE_FASTCALL(preprocess), TIDE_FASTCALL(match_preprocessed),
    TIDE_FASTCALL(match_batch),  TIDE_END_METHODS,
};

PyType_Slot kSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(query_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(box_dealloc<Pattern>)},
    {Py_tp_methods, kMethods},
    {Py_tp_doc, const_cast<char*>(doc::kQueryClass)},
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
