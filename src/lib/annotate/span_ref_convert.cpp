#include "lib/annotate/span_ref_convert.hpp"

#include "lib/pattern/pattern_object.hpp"
#include "lib/plumbing/classes.hpp"
#include "lib/plumbing/convert.hpp"
#include "lib/plumbing/messages.hpp"
#include "lib/plumbing/pending_error.hpp"
#include "lib/state/state_machine_object.hpp"

namespace tide::py {
namespace {

bool is_str_pair(PyObject* o) {
  return PyTuple_Check(o) && PyTuple_GET_SIZE(o) == 2 && PyUnicode_Check(PyTuple_GET_ITEM(o, 0)) &&
         PyUnicode_Check(PyTuple_GET_ITEM(o, 1));
}

}  // namespace

bool parse_span_ref(PyObject* o, SpanRef* out) {
  if (is_instance(o, Class::Pattern)) {
    out->v = SpanRef::Pattern{pattern_holder(o).pattern};
    return true;
  }
  if (is_instance(o, Class::StateSpan)) {
    const StateSpanHolder& h = state_span(o);
    out->v = SpanRef::State{h.snapshot, h.state, h.valid_only};
    return true;
  }
  if (is_str_pair(o)) {
    SpanRef::TokenPair pair;
    if (!to_string(PyTuple_GET_ITEM(o, 0), &pair.start, nullptr) ||
        !to_string(PyTuple_GET_ITEM(o, 1), &pair.end, nullptr))
      return false;
    out->v = std::move(pair);
    return true;
  }
  return fail_with(PyExc_TypeError, msg::kSpanRefExpected);
}

}  // namespace tide::py
