// Freezing a declaration into the snapshot that runs use.
#pragma once

#include <memory>

#include "state/state_machine_decl.hpp"
#include "types/expected.hpp"

namespace tide {

class FinalizedMachine;

// Immutable and shared by reference count between the objects that hold it.
using Snapshot = std::shared_ptr<const FinalizedMachine>;

namespace codec {
template <class Io>
void walk(Io& io, Snapshot& s);
}  // namespace codec

// A checked copy: default sustain triggers filled in from the entry rules,
// timeout_to names resolved to ids, and no timeout_to cycle.
Expected<Snapshot> finalize(const StateMachineDecl& decl);

// A declaration that finalize() has checked. Only finalize() makes one, and
// the walk that reads back the pickled form of one it made; a run takes
// nothing else, so an unchecked declaration cannot reach a run.
class FinalizedMachine : public StateMachineDecl {
 private:
  explicit FinalizedMachine(StateMachineDecl decl) : StateMachineDecl(std::move(decl)) {}

  friend Expected<Snapshot> finalize(const StateMachineDecl& decl);
  template <class Io>
  friend void codec::walk(Io& io, Snapshot& s);
};

}  // namespace tide
