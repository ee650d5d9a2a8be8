// Where each trigger of a machine fires in one stream: its hits sorted by
// position, a 64-bit firing mask per position, and a forward-only cursor
// per trigger, so that every rule test is a bit test first.
#pragma once

#include <cstdint>
#include <vector>

#include "state/state_machine_decl.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

inline constexpr size_t kMaxTriggers = 64;

struct TriggerHit {
  uint64_t pos = 0;    // where the trigger fires
  uint64_t start = 0;  // the inclusive span of the firing
  uint64_t end = 0;
};

class TriggerTable {
 public:
  // Locates every trigger of `m` in order; fails with the first location
  // error, for more than 64 triggers, or for a hit beyond the stream.
  static Expected<TriggerTable> locate(const StateMachineDecl& m, const StreamView& s, CancelCheck& cancel);

  // Bit k set when trigger k fires at i.
  uint64_t mask(size_t i) const { return masks_[i]; }
  // The hit of trigger k at i, whose bit must be set there. Positions must
  // be asked in non-decreasing order.
  const TriggerHit& firing(TriggerId k, size_t i);
  // Whether trigger k fires somewhere in [lo, hi].
  bool fires_within(TriggerId k, uint64_t lo, uint64_t hi) const;

 private:
  std::vector<std::vector<TriggerHit>> hits_;  // per trigger, by pos
  std::vector<uint64_t> masks_;                // per position
  std::vector<size_t> cursors_;                // per trigger: first hit not yet passed
};

}  // namespace tide
