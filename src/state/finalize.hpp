// Freezing a declaration into the snapshot that runs use.
#pragma once

#include <memory>

#include "state/state_machine_decl.hpp"
#include "types/expected.hpp"

namespace tide {

// Immutable and shared by reference count between the objects that hold it.
using Snapshot = std::shared_ptr<const StateMachineDecl>;

// A checked copy: default sustain triggers filled in from the entry rules,
// timeout_to names resolved to ids, and no timeout_to cycle.
Expected<Snapshot> finalize(const StateMachineDecl& decl);

}  // namespace tide
