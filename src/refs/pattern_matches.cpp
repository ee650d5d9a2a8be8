#include "refs/pattern_matches.hpp"

#include "engine/engine.hpp"

namespace tide {

Expected<MatchBuffer> pattern_matches(const Pattern& pattern, const StreamView& s, CancelCheck& cancel) {
  if (Status st = check_element_count(pattern); !st) return st.error();
  const Engine engine(pattern);
  return match_stream(engine, s, /*first_only=*/false, /*include_tokens=*/false, cancel);
}

}  // namespace tide
