// The Python classes StateMachine (a declaration under construction) and
// StateSpan (one state of a frozen snapshot, used as a span source).
#pragma once

#include "lib/plumbing/boxed.hpp"
#include "state/finalize.hpp"
#include "state/state_machine_decl.hpp"

namespace tide::py {

struct MachineHolder {
  StateMachineDecl decl;
  bool busy = false;  // a builder call is converting its arguments
};

inline const StateMachineDecl& machine_decl(PyObject* machine) { return unbox<MachineHolder>(machine).decl; }

struct StateSpanHolder {
  Snapshot snapshot;
  StateId state = 0;  // never the base state
  bool valid_only = true;
};

inline const StateSpanHolder& state_span(PyObject* span) { return unbox<StateSpanHolder>(span); }

// A new StateSpan over `state` of the snapshot.
PyObject* new_state_span(Snapshot snapshot, StateId state, bool valid_only);

}  // namespace tide::py
