// The signatures of the StateMachine class and its methods: each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param kStateMachineClassParams[] = {{"out_name", R"("out")"}};

inline constexpr Signature kStateMachineClass{Kind::Constructor, "StateMachine.__new__", kStateMachineClassParams};

inline constexpr Param k_add_state_params[] = {{"name"},
                                               {"max_gap", "..."},
                                               {"gap_anchor", R"("sustain")"},
                                               {"sustain", "None"},
                                               {"self_transition", R"("refresh")"},
                                               {"min_duration", "0.0"},
                                               {"min_events", "1"},
                                               {"require", "None"},
                                               {"drop_unclosed", "True"},
                                               {"timeout_to", "None"}};

inline constexpr Signature k_add_state{Kind::Method, "StateMachine.add_state", k_add_state_params,
                                       R"doc(Declare a state.

max_gap:         expire the state if its clock is not re-anchored within
                 this much time.  Default: never expires.
gap_anchor:      what re-anchors the clock — "sustain" (default),
                 "any_event", or "entry".
sustain:         triggers that re-anchor the clock under "sustain".
                 Defaults to the state's own entry triggers.
self_transition: "refresh" (default), "restart", or "ignore".
min_duration / min_events / require / drop_unclosed:
                 retrospective validity rules; instances failing any of
                 them are retracted and label as invalid.
timeout_to:      state to enter when this one expires, instead of the
                 base state.  Requires a finite max_gap.  The target
                 opens at the deadline and is flagged `timeout_entered`
                 in state_spans; it may be declared later.)doc"};

inline constexpr Param k_add_entry_params[] = {{"state"}, {"trigger"}, {"from_states", "None"}, {"anchor", R"("end")"}};

inline constexpr Signature k_add_entry{Kind::Method, "StateMachine.add_entry", k_add_entry_params,
                                       R"doc(Enter `state` when `trigger` fires, optionally only from `from_states`.

trigger: str | list[str] | list[list[str]] | Pattern.
anchor:  "end" (default) fires when the trigger completes; "start" when
         it begins.  Either way the entered state owns the whole span.
Entry rules are tried in declaration order and the first match wins.)doc"};

inline constexpr Param k_add_exit_params[] = {{"state"}, {"trigger"}, {"inclusive", "True"}, {"anchor", R"("end")"}};

inline constexpr Signature k_add_exit{Kind::Method, "StateMachine.add_exit", k_add_exit_params,
                                      R"doc(Leave `state` when `trigger` fires, returning to the base state.

inclusive=True (default) gives the triggering span to the closing state.)doc"};

inline constexpr Param k_span_params[] = {{"state"}, {"valid_only", "True"}};

inline constexpr Signature k_span{Kind::Method, "StateMachine.span", k_span_params,
                                  R"doc(A span reference over this machine's occupancy of `state`, usable
anywhere a span is accepted (in_span, span_aggregate, ...).

The machine is snapshotted here, so later edits to the builder do not
affect specs already created.)doc"};

inline constexpr Param k_state_id_params[] = {{"name"}};

inline constexpr Signature k_state_id{Kind::Method, "StateMachine.state_id", k_state_id_params};

inline constexpr const char* kStateNames = "State names indexed by id; `state_names[0]` is the base state.";

}  // namespace tide::py::sig
