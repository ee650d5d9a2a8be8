// The general matcher: a depth-first search over partial matches with
// continuations.
#pragma once

#include "engine/engine.hpp"
#include "engine/match_buffer.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

// Appends every match of the engine's pattern in `stream` (only the first
// when first_only) to `buf`, in depth-first order. Requires stream.len >= 1
// and 1 <= engine.n <= 64. Fails only with cancelled() when `cancel` asks;
// `buf` then holds the matches found so far.
Status match_full(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf,
                  CancelCheck& cancel);

}  // namespace tide
