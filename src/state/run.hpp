// Running a finalized state machine over one interned stream.
#pragma once

#include <vector>

#include "state/finalize.hpp"
#include "state/state_instance.hpp"
#include "types/cancel.hpp"
#include "types/expected.hpp"
#include "types/stream.hpp"

namespace tide {

// The machine's state instances, ordered and validated; times must be
// non-decreasing. Fails with a location error, for more than 64 triggers,
// or when the cancellation check stops the call.
Expected<std::vector<StateInstance>> run_machine(const FinalizedMachine& machine, const StreamView& s,
                                                 CancelCheck& cancel);

}  // namespace tide
