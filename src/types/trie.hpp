// A set of same-timestamp token sequences with per-position value
// constraints, answering: which is the longest sequence starting here?
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "types/cancel.hpp"
#include "types/stream.hpp"
#include "types/token_id.hpp"
#include "types/value_constraint.hpp"

namespace tide {

struct Trie;

struct TrieEdge {
  ValueConstraint constraint;
  std::unique_ptr<Trie> child;
};

struct Trie {
  // One entry per distinct token; one edge per distinct constraint, in
  // insertion order.
  std::unordered_map<TokenId, std::vector<TrieEdge>> children;
  bool terminal = false;

  Trie() = default;
  Trie(const Trie& other);  // deep copy
  Trie& operator=(const Trie& other);
  Trie(Trie&&) noexcept = default;
  Trie& operator=(Trie&&) noexcept = default;
  ~Trie();

  // Adds a sequence; constraint i applies to position i, `Any` past the end
  // of `constraints`, extra constraints are ignored.
  void insert_with_vals(std::span<const TokenId> seq, std::span<const ValueConstraint> constraints);

  // Length of the longest sequence starting at `pos` along the first edge
  // that leads to any match; nullopt when none starts there. `pos` < s.len.
  // Each position the walk enters is charged to `cancel` (when given); when
  // it asks to stop, the walk gives up with nullopt and the caller finds
  // cancel->stopped() set.
  std::optional<size_t> match_at(const StreamView& s, size_t pos, CancelCheck* cancel = nullptr) const;

  bool empty() const { return children.empty(); }
};

}  // namespace tide
