// Locating a token reference in an interned stream.
#pragma once

#include <vector>

#include "refs/token_ref.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

// The points where `ref` fires, sorted by (start, end), one per start.
// Fails for a pattern of more than 64 elements, when the interner is full,
// or when the cancellation check stops the call.
Expected<std::vector<RefPoint>> match_points(const TokenRef& ref, const StreamView& s, CancelCheck& cancel);

}  // namespace tide
