// The declaration of a state machine: states, entry and exit rules, and the
// registry of the triggers they refer to. A builder appends to it; a run
// reads a frozen copy (a snapshot, see finalize.hpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "refs/token_ref.hpp"
#include "types/expected.hpp"
#include "types/value_constraint.hpp"

namespace tide {

// What re-anchors a state's clock.
enum class GapAnchor : uint8_t { Sustain = 0, AnyEvent = 1, Entry = 2 };
// What an entry into the state that is already open does.
enum class SelfTransition : uint8_t { Refresh = 0, Restart = 1, Ignore = 2 };

using StateId = uint32_t;    // 0 is the base state; declared states are 1..k
using TriggerId = uint64_t;  // index into StateMachineDecl::triggers

struct Trigger {
  TokenRef ref;
  Anchor anchor = Anchor::End;
};

struct StateDef {
  std::vector<TriggerId> sustain;     // evidence that re-anchors the clock
  std::vector<TriggerId> require;     // each must fire inside a valid instance
  std::optional<StateId> timeout_to;  // resolved at finalization
  double max_gap = kInf;
  double min_duration = 0.0;
  uint64_t min_events = 1;
  StateId id = 0;
  bool drop_unclosed = true;
  GapAnchor gap_anchor = GapAnchor::Sustain;
  SelfTransition self_transition = SelfTransition::Refresh;
};

struct EntryRule {
  std::vector<StateId> from_states;  // empty: from any state, the base included
  TriggerId trigger = 0;
  StateId state = 0;  // never 0
};

struct ExitRule {
  TriggerId trigger = 0;
  StateId state = 0;  // never 0
  bool inclusive = true;
};

struct StateMachineDecl {
  std::string base_name;
  std::vector<std::string> state_names;  // index = state id; [0] is base_name
  std::vector<Trigger> triggers;
  std::unordered_map<std::string, TriggerId> trigger_keys;  // single tokens and token sets
  std::vector<StateDef> states;                             // states[i] has id i + 1
  std::vector<EntryRule> entries;
  std::vector<ExitRule> exits;
  std::vector<bool> sustain_given;
  std::vector<std::optional<std::string>> timeout_names;

  explicit StateMachineDecl(std::string base = "out");
  const StateDef& state(StateId id) const { return states[id - 1]; }
};

// "StateMachine(states=[...], entries=N, exits=N, triggers=N)"
std::string machine_repr(const StateMachineDecl& m);

// The id of the first state of that name, or "Unknown state '...'. Declared: [...]".
Expected<StateId> find_state(const StateMachineDecl& m, std::string_view name);

// A declared state other than the base one, whose spans `span` refers to.
Expected<StateId> find_span_state(const StateMachineDecl& m, std::string_view name);

// "start" or "end", exactly.
Expected<Anchor> parse_anchor(std::string_view text);

// Registers a trigger; an equal single token or token set with the same
// anchor is registered once and its id returned again.
TriggerId add_trigger(StateMachineDecl& m, TokenRef ref, Anchor anchor);

}  // namespace tide
