// What a pattern says about where each of its elements can start a match:
// the tokens that can begin it, and the latest time it can match. Built once
// per engine, it serves the occurrence bounds of every stream searched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/token_scan.hpp"
#include "types/pattern.hpp"
#include "types/token_id.hpp"

namespace tide {

class FirstTokenIndex {
 public:
  explicit FirstTokenIndex(const Pattern& pattern);

  // The number of elements the index covers (at most 64).
  size_t size() const { return size_; }

  // The elements (as a bit mask) that every match must start with one of
  // their first tokens: all but time elements, mapped elements and those
  // that match the branch's last token.
  uint64_t fixed() const { return fixed_; }

  // The elements whose first tokens include x.
  uint64_t elements_of(TokenId x) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = slot_of(x, mask);; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.elements == 0) return 0;
      if (slot.token == x) return slot.elements;
    }
  }

  // The latest time at which element k can match (the pattern's max_at
  // included); kInf when it has no such bound.
  double latest(size_t k) const { return latest_[k]; }

  // Whether some element has a finite latest time.
  bool timed() const { return timed_; }

  // Finds the positions holding any element's first token.
  const TokenScan& scan() const { return scan_; }

 private:
  static size_t slot_of(TokenId x, size_t mask) { return (size_t{x} * 2654435761u) & mask; }
  // Adds `element` to the mask of token x.
  void add(TokenId x, uint32_t element);

  struct Slot {
    TokenId token = 0;
    uint64_t elements = 0;  // 0: an empty slot
  };
  std::vector<Slot> slots_;  // open addressing, a power of two in size
  size_t size_ = 0;
  uint64_t fixed_ = 0;
  std::array<double, kMaxPatternElements> latest_{};
  bool timed_ = false;
  TokenScan scan_;
};

}  // namespace tide
