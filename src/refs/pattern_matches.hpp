// Every match of a pattern in one stream, for references that fire where a
// pattern matches (token references and span references).
#pragma once

#include "engine/match_buffer.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/pattern.hpp"
#include "types/stream.hpp"

namespace tide {

// All matches in search order, without their tokens. Fails for a pattern of
// more than 64 elements or when the cancellation check stops the call.
Expected<MatchBuffer> pattern_matches(const Pattern& pattern, const StreamView& s, CancelCheck& cancel);

}  // namespace tide
