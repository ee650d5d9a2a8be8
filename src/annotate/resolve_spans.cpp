#include "annotate/resolve_spans.hpp"

#include <algorithm>

#include "intern/interner.hpp"
#include "refs/pattern_matches.hpp"
#include "state/run.hpp"

namespace tide {
namespace {

using Spans = std::vector<Span>;

// Every start pairs with the first end strictly after it, so several starts
// before one end all share it; with one token for both, each occurrence
// pairs with the next.
Expected<Spans> resolve_pair(const SpanRef::TokenPair& ref, const StreamView& s, CancelCheck& cancel) {
  auto start_id = global_interner().intern(ref.start);
  if (!start_id) return start_id.error();
  auto end_id = global_interner().intern(ref.end);
  if (!end_id) return end_id.error();
  std::vector<uint64_t> starts, ends;
  for (size_t p = 0; p < s.len; ++p) {
    if (cancel.poll()) return cancelled();
    if (s.tokens[p] == *start_id) starts.push_back(p);
    if (s.tokens[p] == *end_id) ends.push_back(p);
  }
  Spans out;
  out.reserve(starts.size());
  size_t e = 0;
  for (const uint64_t start : starts) {
    while (e < ends.size() && ends[e] <= start) ++e;
    if (e == ends.size()) break;
    out.push_back({start, ends[e]});
  }
  return out;
}

Expected<Spans> resolve_pattern(const Pattern& pattern, const StreamView& s, CancelCheck& cancel) {
  auto buf = pattern_matches(pattern, s, cancel);
  if (!buf) return buf.error();
  const size_t rows = std::min(buf->m_start.size(), buf->m_end.size());
  Spans out;
  out.reserve(rows);
  for (size_t k = 0; k < rows; ++k) out.push_back({buf->m_start[k], buf->m_end[k]});
  return out;
}

// An empty instance (one entered by a timeout and left before any position)
// covers nothing and is skipped.
Expected<Spans> resolve_state(const SpanRef::State& ref, const StreamView& s, CancelCheck& cancel) {
  auto instances = run_machine(*ref.snapshot, s, cancel);
  if (!instances) return instances.error();
  Spans out;
  for (const StateInstance& inst : *instances)
    if (inst.state == ref.state && inst.end_pos >= inst.start_pos && (inst.valid || !ref.valid_only))
      out.push_back({inst.start_pos, inst.end_pos});
  return out;
}

}  // namespace

Expected<std::vector<Span>> resolve_spans(const SpanRef& ref, const StreamView& s, CancelCheck& cancel) {
  return std::visit(
      [&](const auto& r) -> Expected<Spans> {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, SpanRef::TokenPair>) {
          return resolve_pair(r, s, cancel);
        } else if constexpr (std::is_same_v<R, SpanRef::Pattern>) {
          return resolve_pattern(r.pattern, s, cancel);
        } else {
          return resolve_state(r, s, cancel);
        }
      },
      ref.v);
}

}  // namespace tide
