// The builder operations of a state machine. Each is split in two: a check
// that validates everything that needs no token reference and returns a
// draft, and a commit that registers the references and appends the draft.
// The caller parses the references between the two (their errors come
// after the checks), and nothing changes unless every step passed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "state/state_machine_decl.hpp"
#include "types/expected.hpp"

namespace tide {

struct StateOptions {
  std::string name;
  double max_gap = kInf;
  std::string gap_anchor = "sustain";
  std::string self_transition = "refresh";
  double min_duration = 0.0;
  uint64_t min_events = 1;
  bool drop_unclosed = true;
  std::optional<std::string> timeout_to;
};

struct StateDraft {
  std::string name;
  StateDef def;
  std::optional<std::string> timeout_to;
};

struct EntryDraft {
  EntryRule rule;  // without its trigger
  Anchor anchor = Anchor::End;
};

struct ExitDraft {
  ExitRule rule;  // without its trigger
  Anchor anchor = Anchor::End;
};

// Duplicate name, gap_anchor and self_transition texts, timeout_to rules.
Expected<StateDraft> check_state(const StateMachineDecl& m, const StateOptions& opts);
void add_state(StateMachineDecl& m, StateDraft draft, std::optional<TokenRef> sustain, std::vector<TokenRef> require);

// The target (never the base state), from_states (None and [] alike) and anchor.
Expected<EntryDraft> check_entry(const StateMachineDecl& m, std::string_view state,
                                 const std::vector<std::string>& from_states, std::string_view anchor);
void add_entry(StateMachineDecl& m, EntryDraft draft, TokenRef trigger);

Expected<ExitDraft> check_exit(const StateMachineDecl& m, std::string_view state, bool inclusive,
                               std::string_view anchor);
void add_exit(StateMachineDecl& m, ExitDraft draft, TokenRef trigger);

}  // namespace tide
