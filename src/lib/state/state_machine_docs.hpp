// Text signatures and documentation of the StateMachine methods.
#pragma once

namespace tide::py::doc {

inline constexpr const char* kStateMachineClass = R"doc(StateMachine(out_name="out")
--

)doc";

inline constexpr const char* k_add_state =
    R"doc(add_state($self, name, max_gap=..., gap_anchor="sustain", sustain=None, self_transition="refresh", min_duration=0.0, min_events=1, require=None, drop_unclosed=True, timeout_to=None)
--

Declare a state.

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
                 in state_spans; it may be declared later.)doc";

inline constexpr const char* k_add_entry = R"doc(add_entry($self, state, trigger, from_states=None, anchor="end")
--

Enter `state` when `trigger` fires, optionally only from `from_states`.

trigger: str | list[str] | list[list[str]] | Pattern.
anchor:  "end" (default) fires when the trigger completes; "start" when
         it begins.  Either way the entered state owns the whole span.
Entry rules are tried in declaration order and the first match wins.)doc";

inline constexpr const char* k_add_exit = R"doc(add_exit($self, state, trigger, inclusive=True, anchor="end")
--

Leave `state` when `trigger` fires, returning to the base state.

inclusive=True (default) gives the triggering span to the closing state.)doc";

inline constexpr const char* k_span = R"doc(span($self, state, valid_only=True)
--

A span reference over this machine's occupancy of `state`, usable
anywhere a span is accepted (in_span, span_aggregate, ...).

The machine is snapshotted here, so later edits to the builder do not
affect specs already created.)doc";

inline constexpr const char* k_state_id = R"doc(state_id($self, name)
--

)doc";

inline constexpr const char* kStateNames = "State names indexed by id; `state_names[0]` is the base state.";

}  // namespace tide::py::doc
