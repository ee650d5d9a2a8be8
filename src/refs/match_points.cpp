#include "refs/match_points.hpp"

#include <algorithm>

#include "intern/interner.hpp"
#include "refs/pattern_matches.hpp"

namespace tide {
namespace {

using Points = std::vector<RefPoint>;

RefPoint point_at(const StreamView& s, size_t start, size_t end) {
  return {start, end, s.times[start], s.value_at(start)};
}

// One point per position whose id is marked in `member` (indexed by id).
Expected<Points> points_of_ids(const std::vector<bool>& member, const StreamView& s, CancelCheck& cancel) {
  Points out;
  for (size_t p = 0; p < s.len; ++p) {
    if (cancel.poll()) return cancelled();
    const TokenId t = s.tokens[p];
    if (t < member.size() && member[t]) out.push_back(point_at(s, p, p));
  }
  return out;
}

Expected<Points> locate_tokens(const std::vector<std::string>& tokens, const StreamView& s, CancelCheck& cancel) {
  std::vector<bool> member;
  for (const auto& text : tokens) {
    auto id = global_interner().intern(text);
    if (!id) return id.error();
    if (*id >= member.size()) member.resize(size_t{*id} + 1);
    member[*id] = true;
  }
  return points_of_ids(member, s, cancel);
}

// Left to right; a match resumes the scan after its last token, so the
// points of one sequence set never overlap.
Expected<Points> locate_sequences(const Trie& trie, const StreamView& s, CancelCheck& cancel) {
  Points out;
  for (size_t p = 0; p < s.len;) {
    if (cancel.poll()) return cancelled();
    if (auto len = trie.match_at(s, p, &cancel)) {
      out.push_back(point_at(s, p, p + *len - 1));
      p += *len;
    } else {
      ++p;
    }
  }
  if (cancel.stopped()) return cancelled();  // the last walk gave up
  return out;
}

// Matches overlap and come in search order: sort by (start, end) and keep
// the first of each run of equal starts.
void sort_one_per_start(Points& pts) {
  std::stable_sort(pts.begin(), pts.end(), [](const RefPoint& a, const RefPoint& b) {
    return a.start != b.start ? a.start < b.start : a.end < b.end;
  });
  auto last =
      std::unique(pts.begin(), pts.end(), [](const RefPoint& a, const RefPoint& b) { return a.start == b.start; });
  pts.erase(last, pts.end());
}

Expected<Points> locate_pattern(const Pattern& pattern, const StreamView& s, CancelCheck& cancel) {
  auto buf = pattern_matches(pattern, s, cancel);
  if (!buf) return buf.error();
  const size_t rows = std::min({buf->m_start.size(), buf->m_end.size(), buf->t_start.size()});
  Points out;
  out.reserve(rows);
  for (size_t k = 0; k < rows; ++k)
    out.push_back({buf->m_start[k], buf->m_end[k], buf->t_start[k], s.value_at(buf->m_start[k])});
  sort_one_per_start(out);
  return out;
}

}  // namespace

Expected<std::vector<RefPoint>> match_points(const TokenRef& ref, const StreamView& s, CancelCheck& cancel) {
  // Tokens, sets and sequences are found left to right with one point per
  // start, so only pattern matches need sorting.
  return std::visit(
      [&](const auto& r) -> Expected<Points> {
        using R = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<R, TokenRef::Single>) {
          return locate_tokens({r.token}, s, cancel);
        } else if constexpr (std::is_same_v<R, TokenRef::Set>) {
          return locate_tokens(r.tokens, s, cancel);
        } else if constexpr (std::is_same_v<R, TokenRef::Sequences>) {
          return locate_sequences(r.trie, s, cancel);
        } else {
          return locate_pattern(r.pattern, s, cancel);
        }
      },
      ref.v);
}

}  // namespace tide
