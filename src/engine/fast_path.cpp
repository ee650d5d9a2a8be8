#include "engine/fast_path.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engine/buffer_ops.hpp"
#include "engine/collector_ops.hpp"
#include "engine/token_scan.hpp"

namespace tide {
namespace {

bool unbounded(const TimeBounds& b) {
  const TimeBounds none;
  return b.min_dt == none.min_dt && b.max_dt == none.max_dt && b.min_at == none.min_at && b.max_at == none.max_at;
}

bool plain_event(const PatternElement& el) {
  const auto* e = std::get_if<Event>(&el);
  return e != nullptr && !e->block_token && e->match_constraint.is_any() && e->block_constraint.is_any() &&
         unbounded(*e);
}

const Event& event(const Engine& engine, size_t k) { return std::get<Event>(engine.pattern.elements[k]); }

// Token id -> index of its occurrence list, for at most 64 distinct tokens:
// open addressing in 128 slots, so the pass over the stream allocates nothing.
class TokenSlots {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  uint32_t find(TokenId x) const {
    for (uint32_t i = hash(x);; i = (i + 1) & kMask) {
      if (slots_[i].list == kNone) return kNone;
      if (slots_[i].token == x) return slots_[i].list;
    }
  }
  // The list index of x, adding x with index `next` when it is new.
  uint32_t insert(TokenId x, uint32_t next) {
    for (uint32_t i = hash(x);; i = (i + 1) & kMask) {
      if (slots_[i].list == kNone) {
        slots_[i] = {x, next};
        return next;
      }
      if (slots_[i].token == x) return slots_[i].list;
    }
  }

 private:
  static constexpr uint32_t kMask = 127;
  static uint32_t hash(TokenId x) { return (x * 2654435761u) >> 25; }
  struct Slot {
    TokenId token = 0;
    uint32_t list = kNone;
  };
  std::array<Slot, 128> slots_{};
};

// Appends the match whose slot j is at pos[j]. Times and the pattern
// collector's result are read off the stream only here, for a match that is
// reported.
void emit(const Engine& engine, const StreamView& s, MatchBuffer& buf, const size_t* pos) {
  const size_t n = engine.n;
  const CollectorStrategy strategy = engine.pattern.collector;
  std::array<double, kMaxPatternElements> time;  // the first n are set
  CollectorResult acc = empty_result(strategy);
  for (size_t j = 0; j < n; ++j) {
    time[j] = s.times[pos[j]];
    if (strategy != CollectorStrategy::None) collector_update_in_place(strategy, acc, s.tokens[pos[j]], time[j]);
  }
  append_row(buf, s, pos[0], pos[n - 1], time[0], time[n - 1], pos, time.data(), nullptr);
  push_collector_result(buf.result_scalars, buf.result_lists, acc);
}

// first_only: the first match of the search is the greedy one (the first
// occurrence of element 0, then of element 1 after it, ...); when the greedy
// pass fails no match exists at all.
void first_match(const Engine& engine, const StreamView& s, MatchBuffer& buf) {
  std::array<size_t, kMaxPatternElements> pos;  // the first engine.n are set
  TokenScan scan;
  size_t p = 0;
  for (size_t k = 0; k < engine.n; ++k, ++p) {
    scan.clear();
    scan.add(event(engine, k).match_token);
    p = scan.next(s.tokens, p, s.len);
    if (p == s.len) return;
    pos[k] = p;
  }
  emit(engine, s, buf, pos.data());
}

}  // namespace

bool fast_path_qualifies(const Pattern& pattern) {
  return pattern.ordered && !pattern.midstream && pattern.min_dt == 0.0 && pattern.max_dt == kInf &&
         pattern.min_at == -kInf && pattern.max_at == kInf &&
         std::all_of(pattern.elements.begin(), pattern.elements.end(), plain_event);
}

Status match_fast(const Engine& engine, const StreamView& s, bool first_only, MatchBuffer& buf, CancelCheck& cancel) {
  const size_t n = engine.n;
  if (first_only) {
    first_match(engine, s, buf);
    return ok_status();
  }

  // 1. Occurrence lists, one per distinct match token, in one pass that
  // looks up only the positions TokenScan stops at.
  TokenSlots slots;
  TokenScan scan;
  std::array<uint32_t, kMaxPatternElements> list_of{};  // element -> occurrence list
  uint32_t lists = 0;
  for (size_t k = 0; k < n; ++k) {
    const TokenId token = event(engine, k).match_token;
    list_of[k] = slots.insert(token, lists);
    if (list_of[k] == lists) ++lists;
    scan.add(token);
  }
  std::vector<std::vector<size_t>> occ(lists);
  for (size_t p = scan.next(s.tokens, 0, s.len); p < s.len; p = scan.next(s.tokens, p + 1, s.len)) {
    const uint32_t l = slots.find(s.tokens[p]);
    if (l != TokenSlots::kNone) occ[l].push_back(p);
  }
  for (size_t k = 0; k < n; ++k)
    if (occ[list_of[k]].empty()) return ok_status();

  std::array<size_t, kMaxPatternElements> pos{};
  std::array<bool, kMaxPatternElements> backtrackable{};
  for (size_t k = 0; k < n; ++k) backtrackable[k] = event(engine, k).backtrackable;

  // 2. The stack of (element k, cursor): entry k is always element k, so it
  // is the cursor array up to `depth`.
  std::array<size_t, kMaxPatternElements> cursor{};
  size_t depth = 1;  // entries on the stack
  cursor[0] = 0;
  while (depth > 0) {
    if (cancel.poll()) return cancelled();
    const size_t k = depth - 1;
    const std::vector<size_t>& list = occ[list_of[k]];
    const size_t c = cursor[k];
    if (c >= list.size()) {
      --depth;
      continue;
    }
    const size_t q = list[c];
    cursor[k] = backtrackable[k] ? c + 1 : list.size();
    pos[k] = q;
    if (k + 1 == n) {
      emit(engine, s, buf, pos.data());
      continue;
    }
    const std::vector<size_t>& next = occ[list_of[k + 1]];
    cursor[k + 1] = static_cast<size_t>(std::upper_bound(next.begin(), next.end(), q) - next.begin());
    ++depth;
  }
  return ok_status();
}

}  // namespace tide
