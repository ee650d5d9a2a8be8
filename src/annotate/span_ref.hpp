// Things that cover stretches of a stream: a pair of start and end tokens,
// a pattern, or one state of a frozen state machine.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "state/finalize.hpp"
#include "types/pattern.hpp"

namespace tide {

struct SpanRef {
  // Each start token pairs with the first end token after it; the texts
  // are interned only when the reference is resolved.
  struct TokenPair {
    std::string start;
    std::string end;
  };
  // Each match is a span from its first to its last position.
  struct Pattern {
    ::tide::Pattern pattern;  // the reference's own copy
  };
  // The instances of one state in a run of the snapshot.
  struct State {
    Snapshot snapshot;
    StateId state = 0;  // never the base state
    bool valid_only = true;
  };

  std::variant<TokenPair, Pattern, State> v;
};

// Inclusive stream positions, start <= end.
struct Span {
  uint64_t start = 0;
  uint64_t end = 0;
  bool operator==(const Span&) const = default;
};

}  // namespace tide
