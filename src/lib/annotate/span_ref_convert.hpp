// Python forms of span references: Pattern, (start_token, end_token) or StateSpan.
#pragma once

#include "annotate/span_ref.hpp"
#include "lib/plumbing/py_ref.hpp"

namespace tide::py {

// A span reference; false with the exception set. Conversion failures are
// not prefixed with an argument name.
bool parse_span_ref(PyObject* o, SpanRef* out);

}  // namespace tide::py
