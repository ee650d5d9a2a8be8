// The in-memory form of a pattern: its elements, value constraints,
// collectors and pattern-wide bounds. All tokens are interned ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <variant>
#include <vector>

#include "types/collector.hpp"
#include "types/expected.hpp"
#include "types/token_id.hpp"
#include "types/trie.hpp"
#include "types/value_constraint.hpp"

namespace tide {

inline constexpr size_t kMaxPatternElements = 64;

// Where an element may match: its time t within [min_at, max_at] and its gap
// dt from the previously matched element within [min_dt, max_dt].
struct TimeBounds {
  double min_dt = 0.0, max_dt = kInf, min_at = -kInf, max_at = kInf;
};

// An element's time bounds and whether the search may also take its later
// hits as other branches (backtrackable) or commits to its first hit.
struct ElementBounds : TimeBounds {
  bool backtrackable = true;
};

// The bounds of a relative time element: its time t within [min_at, max_at]
// and within [a + rel_min_dt, a + rel_max_dt], a being the time of the
// previously matched element; and whether the search may take later hits.
struct RelativeBounds {
  double rel_min_dt = 0.0, rel_max_dt = kInf, min_at = -kInf, max_at = kInf;
  bool backtrackable = true;
};

// The tokens an element matches, each with its value constraint
// (constraints empty, or parallel to the tokens).
struct MatchTokens {
  std::vector<TokenId> match_tokens;
  std::vector<ValueConstraint> match_constraints;
};

// The tokens that, met before an element matches, retire it; constraints
// as for MatchTokens.
struct BlockTokens {
  std::vector<TokenId> block_tokens;
  std::vector<ValueConstraint> block_constraints;
};

struct Event : ElementBounds {
  TokenId match_token = 0;
  ValueConstraint match_constraint;
  std::optional<TokenId> block_token;
  ValueConstraint block_constraint;  // stored even without a block token
};

struct EventSet : ElementBounds, MatchTokens, BlockTokens {};

struct EventSeq : ElementBounds {
  Trie match_trie;
  std::optional<Trie> block_trie;
};

// Matches any stream position whose time meets its bounds.
struct TimeEvent : ElementBounds, BlockTokens {};

// A time element whose window is relative to the previously matched element.
struct DynamicTimeEvent : RelativeBounds, BlockTokens {};

// Matches the token that the previously matched element matched.
struct DynamicEvent : ElementBounds, BlockTokens {
  ValueConstraint match_constraint;
  bool match_from_last = true;
};

struct DynamicEventSet : ElementBounds, MatchTokens, BlockTokens {
  bool match_from_last = false;
  bool block_from_last = false;
};

// The match-time form of one event spec of a MappedEvent.
struct ResolvedElement : TimeBounds, MatchTokens, BlockTokens {
  std::optional<Trie> seq_trie;  // when present, matched instead of match_tokens
};

struct TokenListHash {
  size_t operator()(const std::vector<TokenId>& key) const {
    uint64_t h = 1469598103934665603ull;
    for (TokenId t : key) h = (h ^ t) * 1099511628211ull;
    return static_cast<size_t>(h);
  }
};

using MatchMap = std::unordered_map<std::vector<TokenId>, ResolvedElement, TokenListHash>;

// An element whose spec is chosen by the tokens an earlier element matched.
// The chosen spec carries the time bounds; the flag is the element's own.
struct MappedEvent {
  std::optional<ResolvedElement> default_spec;
  MatchMap match_map;
  size_t source_element = 0;
  bool backtrackable = true;
};

// Kinds in declaration order: index() is the kind tag.
using PatternElement =
    std::variant<Event, EventSet, EventSeq, TimeEvent, DynamicTimeEvent, DynamicEvent, DynamicEventSet, MappedEvent>;

// The tag of element kind T, so that a switch over index() names its cases:
// `case kKindOf<Event>:` stays right when the alternatives are reordered.
template <class T, class... Ts>
consteval size_t alternative_index(const std::variant<Ts...>*) {
  constexpr bool same[] = {std::is_same_v<T, Ts>...};
  for (size_t i = 0; i < sizeof...(Ts); ++i)
    if (same[i]) return i;
  throw "not an element kind";
}
template <class T>
inline constexpr size_t kKindOf = alternative_index<T>(static_cast<const PatternElement*>(nullptr));

inline bool is_backtrackable(const PatternElement& e) {
  return std::visit([](const auto& el) { return el.backtrackable; }, e);
}

struct MidstreamCollector {
  uint64_t start_after_mask = 0;
  uint64_t stop_before_mask = 0;
  Trie trie;
  CollectorStrategy collector = CollectorStrategy::CollectTokens;
};

struct Pattern {
  std::vector<PatternElement> elements;
  std::optional<MidstreamCollector> midstream;
  double min_dt = 0.0;  // bounds on t_end - t_start
  double max_dt = kInf;
  double min_at = -kInf;  // lower bound on t_start
  double max_at = kInf;   // upper bound on t_end
  bool ordered = true;
  CollectorStrategy collector = CollectorStrategy::None;
};

// "Pattern(n_elements=2, ordered=true, collector=SumTimes, midstream=false)"
std::string pattern_repr(const Pattern& p);

// The element-count check made before a pattern is run.
Status check_element_count(const Pattern& p);

}  // namespace tide
