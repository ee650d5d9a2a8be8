// The search's branch history: a persistent singly
// linked list of matched elements, newest first, whose cells are reference
// counted and live in a per-call pool. Branches share tails; a cell goes
// back to the pool's free list when its last holder releases it, so the pool
// never holds more cells than the search keeps alive at its peak.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tide {

// One matched element. Its token ids are the stream's tokens at
// stream_idx .. stream_idx + count - 1 (one for a single-token match, the
// sequence for a sequence match), so they are read back from the stream when
// a match is completed instead of being stored here.
struct ElMatch {
  size_t stream_idx = 0;
  double time = 0.0;
  uint32_t count = 1;
};

class CellPool {
 public:
  using Ref = uint32_t;
  static constexpr Ref kNil = UINT32_MAX;

  // A new cell holding `m` in front of `next` (which gains a holder). The
  // caller holds the one reference of the returned cell.
  Ref make(const ElMatch& m, Ref next) {
    retain(next);
    Ref r;
    if (free_ != kNil) {
      r = free_;
      free_ = cells_[r].next;
    } else {
      r = static_cast<Ref>(cells_.size());
      cells_.emplace_back();
    }
    cells_[r] = Cell{m, next, 1};
    return r;
  }

  void retain(Ref r) {
    if (r != kNil) ++cells_[r].refs;
  }

  // Drops one reference; frees the cell and, in turn, the cells behind it
  // that are left without holder.
  void release(Ref r) {
    while (r != kNil && --cells_[r].refs == 0) {
      const Ref next = cells_[r].next;
      cells_[r].next = free_;
      free_ = r;
      r = next;
    }
  }

  // Drops every cell at once, keeping the capacity.
  void reset() {
    cells_.clear();
    free_ = kNil;
  }

  const ElMatch& match(Ref r) const { return cells_[r].match; }
  Ref next(Ref r) const { return cells_[r].next; }

  // Cells currently held by someone (for tests of the pool's bookkeeping).
  size_t live() const {
    size_t free_count = 0;
    for (Ref r = free_; r != kNil; r = cells_[r].next) ++free_count;
    return cells_.size() - free_count;
  }

 private:
  struct Cell {
    ElMatch match;
    Ref next = kNil;
    uint32_t refs = 0;
  };

  std::vector<Cell> cells_;
  Ref free_ = kNil;
};

}  // namespace tide
