// Resolving a span reference in an interned stream.
#pragma once

#include <vector>

#include "annotate/span_ref.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

// The spans of `ref`: token pairs in start order, pattern matches in search
// order, state instances in the run's order. Fails for a pattern of more
// than 64 elements, with a state machine's run error, when the interner is
// full, or when the cancellation check stops the call.
Expected<std::vector<Span>> resolve_spans(const SpanRef& ref, const StreamView& s, CancelCheck& cancel);

}  // namespace tide
