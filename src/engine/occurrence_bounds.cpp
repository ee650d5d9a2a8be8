#include "engine/occurrence_bounds.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tide {
namespace {

inline size_t slot_of(TokenId x, size_t mask) { return (size_t{x} * 2654435761u) & mask; }

// Calls add(x) for each token at which element `el` can start a match and
// returns true; returns false when the element may start anywhere (a time
// element, a mapped element, or one that matches the branch's last token).
template <class Add>
bool first_tokens(const PatternElement& el, Add add) {
  return std::visit(
      [&](const auto& e) {
        using T = std::decay_t<decltype(e)>;
        if constexpr (std::is_same_v<T, Event>) {
          add(e.match_token);
        } else if constexpr (std::is_same_v<T, EventSet>) {
          for (TokenId y : e.match_tokens) add(y);
        } else if constexpr (std::is_same_v<T, EventSeq>) {
          for (const auto& entry : e.match_trie.children) add(entry.first);
        } else if constexpr (std::is_same_v<T, DynamicEvent> || std::is_same_v<T, DynamicEventSet>) {
          if (e.match_from_last) return false;
          if constexpr (std::is_same_v<T, DynamicEventSet>)
            for (TokenId y : e.match_tokens) add(y);
        } else {
          return false;
        }
        return true;
      },
      el);
}

// The latest time at which element `el` can match; a mapped element's
// spec, chosen per branch, gives it none.
double latest_time(const PatternElement& el) {
  return std::visit(
      [](const auto& e) {
        if constexpr (std::is_same_v<std::decay_t<decltype(e)>, MappedEvent>)
          return kInf;
        else
          return e.max_at;
      },
      el);
}

// Non-decreasing, and free of NaN. Walked in blocks charged to `cancel`
// one position each, the block's pairs compared without a branch per pair
// so that the comparisons run several at a time.
bool sorted_times(const StreamView& s, CancelCheck& cancel) {
  constexpr size_t kBlock = 1024;
  for (size_t from = 1; from < s.len; from += kBlock) {
    const size_t to = std::min(s.len, from + kBlock);
    if (cancel.charge(to - from)) return false;
    bool ok = true;
    for (size_t p = from; p < to; ++p) ok &= s.times[p - 1] <= s.times[p];
    if (!ok) return false;
  }
  return s.len == 0 || s.times[0] == s.times[0];
}

}  // namespace

void OccurrenceBounds::add(TokenId x, uint32_t element) {
  const size_t mask = slots_.size() - 1;
  for (size_t i = slot_of(x, mask);; i = (i + 1) & mask) {
    Slot& slot = slots_[i];
    if (slot.elements == 0) slot.token = x;
    if (slot.token == x) {
      slot.elements |= uint64_t{1} << element;
      return;
    }
  }
}

uint64_t OccurrenceBounds::elements_of(TokenId x) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = slot_of(x, mask);; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.elements == 0) return 0;
    if (slot.token == x) return slot.elements;
  }
}

bool OccurrenceBounds::sorted(CancelCheck& cancel) {
  if (sorted_ == Sorted::kUnknown) sorted_ = sorted_times(stream_, cancel) ? Sorted::kYes : Sorted::kNo;
  return sorted_ == Sorted::kYes;
}

bool OccurrenceBounds::locate(const Pattern& pattern, const StreamView& s, CancelCheck& cancel) {
  // Sizes the table to at least twice the number of first tokens, so that
  // probes stay short and an empty slot always ends them.
  size_t tokens = 0;
  uint64_t fixed = 0;  // elements with fixed first tokens
  bool timed = false;
  for (uint32_t k = 0; k < pattern.elements.size(); ++k) {
    if (first_tokens(pattern.elements[k], [&](TokenId) { ++tokens; })) fixed |= uint64_t{1} << k;
    last_[k] = SIZE_MAX;
    latest_[k] = std::fmin(latest_time(pattern.elements[k]), pattern.max_at);  // fmin: a NaN bound is no bound
    timed |= latest_[k] < kInf;
  }
  size_t capacity = 16;
  while (capacity < 2 * tokens) capacity *= 2;
  slots_.assign(capacity, Slot{});
  for (uint32_t k = 0; k < pattern.elements.size(); ++k)
    first_tokens(pattern.elements[k], [&](TokenId x) { add(x, k); });

  len_ = s.len;
  stream_ = s;
  sorted_ = Sorted::kUnknown;
  times_ = timed && sorted(cancel) ? s.times : nullptr;
  uint64_t unseen = fixed;
  for (size_t p = s.len; p-- > 0 && unseen != 0;) {
    if (cancel.poll()) return false;
    const uint64_t found = elements_of(s.tokens[p]) & unseen;
    for (uint64_t rest = found; rest != 0; rest &= rest - 1) last_[__builtin_ctzll(rest)] = p;
    unseen &= ~found;
  }
  return unseen == 0;
}

}  // namespace tide
