// The single entry point of the matching engine.
#pragma once

#include <cstdint>

#include "engine/first_token_index.hpp"
#include "engine/match_buffer.hpp"
#include "engine/search.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/pattern.hpp"
#include "types/stream.hpp"

namespace tide {

struct Engine {
  const Pattern& pattern;
  size_t n;                      // element count, at most 64 (the caller checked)
  uint64_t full_mask;            // the low n bits set
  bool fast_path;                // the pattern qualifies for the occurrence-list search
  FirstTokenIndex first_tokens;  // where the general search's elements can start

  explicit Engine(const Pattern& p);
};

// Every match (or only the first) of the engine's pattern in one stream, in
// depth-first search order. Fails with ErrorKind::Cancelled when the
// cancellation check asks the call to stop, and (only if the caller skipped
// its own check) with the 64-element ValueError of check_element_count.
Expected<MatchBuffer> match_stream(const Engine& engine, const StreamView& stream, bool first_only, bool include_tokens,
                                   CancelCheck& cancel);

// What one match after another reuses: the result buffer and the general
// search's working memory, both keeping their capacity between calls.
struct MatchScratch {
  MatchBuffer buf;
  SearchScratch search;
};

// The same matches written to scratch.buf, which is emptied first, so that
// a caller matching many streams allocates nothing in the steady state.
Status match_stream_into(const Engine& engine, const StreamView& stream, bool first_only, bool include_tokens,
                         MatchScratch& scratch, CancelCheck& cancel);

}  // namespace tide
