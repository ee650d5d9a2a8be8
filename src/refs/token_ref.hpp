// Things that fire at points of a stream: a token, a token set, a set of
// same-timestamp sequences or a pattern, and the points where they fire.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "types/pattern.hpp"
#include "types/trie.hpp"

namespace tide {

// Which end of a firing span a trigger fires at.
enum class Anchor : uint8_t { Start = 0, End = 1 };

struct TokenRef {
  // Token texts are interned only when the reference is located.
  struct Single {
    std::string token;
  };
  struct Set {
    std::vector<std::string> tokens;  // as given: order and repeats kept
  };
  struct Sequences {
    Trie trie;
  };
  struct Pattern {
    ::tide::Pattern pattern;  // the reference's own copy
  };

  std::variant<Single, Set, Sequences, Pattern> v;
};

// One place where a reference fires: the inclusive span [start, end], the
// time and value at start (NaN without a values array).
struct RefPoint {
  uint64_t start = 0;
  uint64_t end = 0;
  double time = 0.0;
  double value = kNaN;
};

}  // namespace tide
