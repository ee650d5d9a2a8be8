#include "engine/first_token_index.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace tide {
namespace {

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

}  // namespace

FirstTokenIndex::FirstTokenIndex(const Pattern& pattern)
    : size_(std::min(pattern.elements.size(), kMaxPatternElements)) {
  // Sizes the table to at least twice the number of first tokens, so that
  // probes stay short and an empty slot always ends them.
  size_t tokens = 0;
  for (uint32_t k = 0; k < size_; ++k) {
    if (first_tokens(pattern.elements[k], [&](TokenId) { ++tokens; })) fixed_ |= uint64_t{1} << k;
    latest_[k] = std::fmin(latest_time(pattern.elements[k]), pattern.max_at);  // fmin: a NaN bound is no bound
    timed_ |= latest_[k] < kInf;
  }
  size_t capacity = 16;
  while (capacity < 2 * tokens) capacity *= 2;
  slots_.assign(capacity, Slot{});
  for (uint32_t k = 0; k < size_; ++k)
    first_tokens(pattern.elements[k], [&](TokenId x) {
      add(x, k);
      scan_.add(x);
    });
}

void FirstTokenIndex::add(TokenId x, uint32_t element) {
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

}  // namespace tide
