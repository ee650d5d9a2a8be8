// One stretch during which a machine was in one declared state.
#pragma once

#include <cstdint>

#include "state/state_machine_decl.hpp"

namespace tide {

// Indices into the module constant CLOSE_REASONS.
enum class CloseReason : uint8_t { ExitEvent = 0, Timeout = 1, Transition = 2, EndOfStream = 3 };
// Indices into the module constant REJECT_REASONS.
enum class RejectReason : uint8_t { None = 0, Unclosed = 1, TooShort = 2, TooFewEvents = 3, MissingRequired = 4 };

struct StateInstance {
  uint64_t start_pos = 0;
  uint64_t end_pos = 0;  // inclusive; start_pos - 1 for an empty timeout-entered instance
  double t_start = 0.0;
  double t_end = 0.0;
  uint64_t n_events = 0;
  StateId state = 0;
  RejectReason reject_reason = RejectReason::None;
  CloseReason close_reason = CloseReason::EndOfStream;
  bool valid = true;
  bool timeout_entered = false;
};

}  // namespace tide
