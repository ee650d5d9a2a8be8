#include "engine/engine.hpp"

#include "engine/buffer_ops.hpp"
#include "engine/fast_path.hpp"
#include "engine/search.hpp"
#include "engine/stream_prefetch.hpp"

namespace tide {
namespace {

// Appends the matches to `buf`, an empty buffer for engine.n elements.
Status fill(const Engine& engine, const StreamView& stream, bool first_only, MatchBuffer& buf, SearchScratch& search,
            CancelCheck& cancel) {
  if (stream.len == 0 || engine.n == 0) return ok_status();
  prefetch_stream(stream);
  return engine.fast_path ? match_fast(engine, stream, first_only, buf, cancel)
                          : match_full(engine, stream, first_only, buf, cancel, search);
}

}  // namespace

Engine::Engine(const Pattern& p)
    : pattern(p),
      n(p.elements.size()),
      full_mask(n >= 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1),
      fast_path(fast_path_qualifies(p)),
      first_tokens(p) {}

// Callers check the element limit first; the guards below only keep a
// missed check from shifting element bits past 64.

Expected<MatchBuffer> match_stream(const Engine& engine, const StreamView& stream, bool first_only, bool include_tokens,
                                   CancelCheck& cancel) {
  if (engine.n > kMaxPatternElements) return check_element_count(engine.pattern).error();
  MatchBuffer buf = make_match_buffer(engine.n, stream.len, include_tokens);
  SearchScratch search;
  const Status st = fill(engine, stream, first_only, buf, search, cancel);
  if (!st) return st.error();
  return buf;
}

Status match_stream_into(const Engine& engine, const StreamView& stream, bool first_only, bool include_tokens,
                         MatchScratch& scratch, CancelCheck& cancel) {
  if (engine.n > kMaxPatternElements) return check_element_count(engine.pattern);
  clear_match_buffer(scratch.buf, engine.n, include_tokens);
  return fill(engine, stream, first_only, scratch.buf, scratch.search, cancel);
}

}  // namespace tide
