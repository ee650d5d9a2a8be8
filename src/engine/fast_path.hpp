// The occurrence-list search for plain ordered patterns.
#pragma once

#include "engine/engine.hpp"
#include "engine/match_buffer.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/pattern.hpp"
#include "types/stream.hpp"

namespace tide {

// An ordered pattern without midstream collector or pattern-wide bounds
// whose elements are all unbounded, unconstrained Events without block
// token (backtrackable flags and the pattern collector do not matter).
bool fast_path_qualifies(const Pattern& pattern);

// The rows match_full would give for a qualifying pattern on a stream with
// non-decreasing, NaN-free times, in the same order. Requires
// stream.len >= 1 and 1 <= engine.n <= 64. Fails only with cancelled().
Status match_fast(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf,
                  CancelCheck& cancel);

}  // namespace tide
