#include "engine/engine.hpp"

#include "engine/buffer_ops.hpp"
#include "engine/fast_path.hpp"
#include "engine/search.hpp"

namespace tide {

Expected<MatchBuffer> match_stream(const Engine& engine, const StreamView& stream, bool first_only,
                                   bool include_tokens, CancelCheck& cancel) {
  // Callers check the limit first (Part 2.1); this guard only keeps a
  // missed check from shifting element bits past 64.
  if (engine.n > kMaxPatternElements) return check_element_count(engine.pattern).error();
  MatchBuffer buf = make_match_buffer(engine.n, stream.len, include_tokens);
  if (stream.len == 0 || engine.n == 0) return buf;
  const Status st = fast_path_qualifies(engine.pattern) ? match_fast(engine, stream, first_only, buf, cancel)
                                                        : match_full(engine, stream, first_only, buf, cancel);
  if (!st) return st.error();
  return buf;
}

}  // namespace tide
