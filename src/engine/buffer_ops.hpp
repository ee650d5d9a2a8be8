// Creating a MatchBuffer with the driver's initial capacities, emptying one
// for reuse and appending one match row to it, shared by the fast path and
// the search.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/match_buffer.hpp"
#include "types/stream.hpp"

namespace tide {

// The capacity hint h = min(max(L / max(n, 1), 16), 1048576).
size_t capacity_hint(size_t n, size_t stream_len);

// An empty buffer for n elements with room for capacity_hint rows.
MatchBuffer make_match_buffer(size_t n, size_t stream_len, bool include_tokens);

// Empties every column of `buf` for n elements, keeping the capacities.
void clear_match_buffer(MatchBuffer& buf, size_t n, bool include_tokens);

// Appends the positions and times of one match: the four bounds, then slot j
// at pos[j] with time[j] for j < n; when the buffer records tokens, slot j's
// ids are the stream's tokens pos[j] .. pos[j] + count[j] - 1 (count null:
// one token per slot). Collector results are pushed by the caller.
void append_row(MatchBuffer& buf, const StreamView& s, size_t m_start, size_t m_end, double t_start, double t_end,
                const size_t* pos, const double* time, const uint32_t* count);

}  // namespace tide
