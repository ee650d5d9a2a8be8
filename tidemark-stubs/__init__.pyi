"""Types of the native module tidemark: event expressions (patterns), label columns and
state machines over timestamped token streams."""

from collections.abc import Mapping, Sequence
from typing import (
    Any,
    Literal,
    NotRequired,
    SupportsFloat,
    SupportsIndex,
    TypedDict,
    final,
    overload,
)

import numpy as np
import numpy.typing as npt

__all__ = [
    "Pattern",
    "TideQuery",
    "PreprocessedStream",
    "AnnotationSpec",
    "StateMachine",
    "StateSpan",
    "annotate_stream",
    "state_spans",
    "vocab_ids",
    "CLOSE_REASONS",
    "REJECT_REASONS",
]

__version__: str

# Anything float() accepts: a float, an int, a NumPy scalar, an object with __float__ or __index__.
type _Float = SupportsFloat | SupportsIndex
type _Bool = bool | np.bool_
# A stream's tokens, times and values: sequences (lists, tuples) or one-dimensional NumPy arrays.
type _Tokens = Sequence[str] | npt.NDArray[np.str_] | npt.NDArray[np.object_]
type _Floats = Sequence[_Float] | npt.NDArray[np.floating[Any]] | npt.NDArray[np.integer[Any]]
type _Collector = Literal["none", "sum_times", "count", "collect_tokens", "collect_times", "collect_pairs"]
type _Agg = Literal["min", "max", "mean", "count"]
type _Anchor = Literal["end", "start"]
# A token reference: one token, a token set, a set of same-timestamp sequences, or each match of a pattern.
type _TokenRef = str | Sequence[str] | Sequence[Sequence[str]] | Pattern
# A span reference: each match of a pattern, (start_token, end_token) pairs, or a state's instances.
type _SpanRef = Pattern | tuple[str, str] | StateSpan

class _EventSpec(TypedDict, total=False):
    """One event spec of `Pattern.add_mapped_event`; only "match" is required at run time."""

    match: str | Sequence[str] | Sequence[Sequence[str]]
    block: str | Sequence[str]
    min_dt: _Float
    max_dt: _Float
    min_at: _Float
    max_at: _Float
    min_val: Sequence[_Float] | Sequence[Sequence[_Float]]
    max_val: Sequence[_Float] | Sequence[Sequence[_Float]]
    require_nan_val: Sequence[_Bool] | Sequence[Sequence[_Bool]]
    block_min_val: Sequence[_Float]
    block_max_val: Sequence[_Float]
    block_require_nan_val: Sequence[_Bool]

# The value of a collector per match: None for "none", float64 per match for "sum_times" and
# "count", and one list entry per match for "collect_tokens", "collect_times" and "collect_pairs".
type _CollectorResult = (
    npt.NDArray[np.float64] | list[list[str]] | list[npt.NDArray[np.float64]] | list[list[tuple[str, float]]] | None
)

class _MatchResult(TypedDict):
    m_start: npt.NDArray[np.int64]
    m_end: npt.NDArray[np.int64]
    t_start: npt.NDArray[np.float64]
    t_end: npt.NDArray[np.float64]
    el_stream_idx: npt.NDArray[np.int64]
    el_times: npt.NDArray[np.float64]
    el_tokens: NotRequired[list[list[str | list[str]]]]
    result: _CollectorResult
    mid_result: _CollectorResult

class _BatchResult(TypedDict):
    m_start: npt.NDArray[np.int64]
    m_end: npt.NDArray[np.int64]
    mid: NotRequired[npt.NDArray[np.float64]]

class _StateSpans(TypedDict):
    state: npt.NDArray[np.int32]
    start_pos: npt.NDArray[np.int64]
    end_pos: npt.NDArray[np.int64]
    t_start: npt.NDArray[np.float64]
    t_end: npt.NDArray[np.float64]
    n_events: npt.NDArray[np.int64]
    close_reason: npt.NDArray[np.int8]
    reject_reason: npt.NDArray[np.int8]
    valid: npt.NDArray[np.int8]
    timeout_entered: npt.NDArray[np.int8]

@final
class Pattern:
    """An event expression: an ordered (or unordered) list of up to 64 elements, each one event
    with time bounds, value constraints and blocking tokens, plus bounds on the whole match.

    Pattern(min_dt=0.0, max_dt=inf, min_at=-inf, max_at=inf, ordered=True, collector="none")

    min_dt, max_dt: bounds on the match duration t_end - t_start.
    min_at:         lower bound on the match start time t_start.
    max_at:         upper bound on the match end time t_end.
    ordered:        True: the elements match in the order they were added; False: in any order.
    collector:      what to accumulate per match, returned as "result": "none", "sum_times",
                    "count", "collect_tokens", "collect_times" or "collect_pairs".

    Add elements with the add_* methods, then compile the pattern with `TideQuery(pattern)`.
    All comparisons are inclusive and fail on NaN.
    """

    def __new__(
        cls,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        ordered: _Bool = True,
        collector: _Collector = "none",
    ) -> Pattern: ...
    def add_event(
        self,
        match_token: str,
        block_token: str | None = None,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        min_val: _Float = ...,
        max_val: _Float = ...,
        require_nan_val: _Bool = False,
        block_min_val: _Float = ...,
        block_max_val: _Float = ...,
        block_require_nan_val: _Bool = False,
    ) -> None:
        """Append an element that matches one token.

        match_token:      the token to match.
        block_token:      a token that, seen while this element is pending, rules it out
                          (in an ordered pattern that ends the partial match).
        min_dt, max_dt:   bounds on the time since the previously matched element
                          (default 0.0 and inf).
        min_at, max_at:   bounds on the element's own time (default -inf and inf).
        backtrackable:    True (default) also tries later occurrences of this element; False keeps
                          only its first occurrence after the previous element.
        min_val, max_val: inclusive bounds on the token's value; NaN or omitted means no bound,
                          and a bounded value never accepts NaN.
        require_nan_val:  accept only positions without a value (NaN); the bounds are then ignored.
        block_min_val, block_max_val, block_require_nan_val: the same constraints for the
                          blocking token.

        Example: a lactate of at least 4 followed within 24 hours by a vasopressor, with no
        discharge in between:
            p.add_event("LAB_LACTATE", min_val=4.0)
            p.add_event("MED_VASOPRESSOR", block_token="DISCHARGE", max_dt=24.0)
        """
    def add_event_set(
        self,
        match_tokens: Sequence[str],
        block_tokens: Sequence[str] | None = None,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        min_vals: Sequence[_Float] | None = None,
        max_vals: Sequence[_Float] | None = None,
        require_nan_vals: Sequence[_Bool] | None = None,
        block_min_vals: Sequence[_Float] | None = None,
        block_max_vals: Sequence[_Float] | None = None,
        block_require_nan_vals: Sequence[_Bool] | None = None,
    ) -> None:
        """Append an element that matches any one of several tokens.

        match_tokens: the tokens (a list or tuple of str; a single str is refused).
        block_tokens: tokens that, seen while this element is pending, rule it out.
        min_vals, max_vals, require_nan_vals: per-token value constraints, parallel to
                      match_tokens (entry i constrains token i; NaN means no bound; entries
                      beyond the token list are ignored). Omit all three for no constraint.
        block_min_vals, block_max_vals, block_require_nan_vals: the same for block_tokens.
        The time bounds and backtrackable are as in `add_event`.

        Example: any vasopressor, at least one hour after the previous element:
            p.add_event_set(["MED_NOREPINEPHRINE", "MED_VASOPRESSIN"], min_dt=1.0)
        """
    def add_event_seq(
        self,
        match_seqs: Sequence[Sequence[str]],
        block_seqs: Sequence[Sequence[str]] | None = None,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        min_vals: Sequence[Sequence[_Float]] | None = None,
        max_vals: Sequence[Sequence[_Float]] | None = None,
        require_nan_vals: Sequence[Sequence[_Bool]] | None = None,
        block_min_vals: Sequence[Sequence[_Float]] | None = None,
        block_max_vals: Sequence[Sequence[_Float]] | None = None,
        block_require_nan_vals: Sequence[Sequence[_Bool]] | None = None,
    ) -> None:
        """Append an element that matches one of several token sequences, each a run of
        consecutive tokens sharing one timestamp (codes recorded together).

        match_seqs:  the sequences, each a list of str.
        block_seqs:  sequences that, seen while this element is pending, rule it out.
        min_vals, max_vals, require_nan_vals: per-position value constraints, one list per
                     sequence (entry j constrains position j; a shorter list leaves the
                     remaining positions unconstrained).
        block_min_vals, block_max_vals, block_require_nan_vals: the same for block_seqs.
        The time bounds and backtrackable are as in `add_event`.

        Example: a systolic pressure of at most 90 recorded together with a heart rate of at
        least 100:
            p.add_event_seq([["VITAL_SBP", "VITAL_HR"]], max_vals=[[90.0, math.nan]], min_vals=[[math.nan, 100.0]])
        """
    def add_time_event(
        self,
        block_token: str | None = None,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        block_min_val: _Float = ...,
        block_max_val: _Float = ...,
        block_require_nan_val: _Bool = False,
        block_tokens: Sequence[str] | None = None,
        block_min_vals: Sequence[_Float] | None = None,
        block_max_vals: Sequence[_Float] | None = None,
        block_require_nan_vals: Sequence[_Bool] | None = None,
    ) -> None:
        """Append an element chosen by time alone: it matches a stream position, whatever its
        token, whose time meets the bounds.

        min_dt, max_dt: bounds on the time since the previously matched element.
        min_at, max_at: bounds on the position's own time.
        Blocking: either one `block_token` with block_min_val / block_max_val /
        block_require_nan_val, or a list `block_tokens` with the parallel lists
        block_min_vals / block_max_vals / block_require_nan_vals (each as long as
        block_tokens); giving both forms raises ValueError.

        Example: still no discharge 72 hours after admission:
            p.add_event("ADMIT")
            p.add_time_event(block_token="DISCHARGE", min_dt=72.0)
        """
    def add_dynamic_time_event(
        self,
        block_token: str | None = None,
        rel_min_dt: _Float = 0.0,
        rel_max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        block_min_val: _Float = ...,
        block_max_val: _Float = ...,
        block_require_nan_val: _Bool = False,
        block_tokens: Sequence[str] | None = None,
        block_min_vals: Sequence[_Float] | None = None,
        block_max_vals: Sequence[_Float] | None = None,
        block_require_nan_vals: Sequence[_Bool] | None = None,
    ) -> None:
        """Append an element chosen by time alone, its window measured from the time of the
        element matched last: it matches a position whose time lies within
        [rel_min_dt, rel_max_dt] after that element (default 0.0 and inf).

        min_at, max_at and the blocking arguments are as in `add_time_event`.
        """
    def add_dynamic_event(
        self,
        static_block_tokens: Sequence[str] | None = None,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        min_val: _Float = ...,
        max_val: _Float = ...,
        require_nan_val: _Bool = False,
        block_min_vals: Sequence[_Float] | None = None,
        block_max_vals: Sequence[_Float] | None = None,
        block_require_nan_vals: Sequence[_Bool] | None = None,
    ) -> None:
        """Append an element that matches the token the previously matched element matched
        (its first token): the same code again, whichever it was.

        static_block_tokens: fixed tokens that, seen while this element is pending, rule it out,
                             with the parallel value lists block_min_vals / block_max_vals /
                             block_require_nan_vals.
        min_val, max_val, require_nan_val: the value constraint of the repeated token.
        The time bounds and backtrackable are as in `add_event`.

        Example: any of three antibiotics, given again within 24 hours:
            p.add_event_set(["MED_A", "MED_B", "MED_C"])
            p.add_dynamic_event(max_dt=24.0)
        """
    def add_dynamic_event_set(
        self,
        static_match_tokens: Sequence[str] | None = None,
        static_block_tokens: Sequence[str] | None = None,
        match_from_last: _Bool = False,
        block_from_last: _Bool = False,
        min_dt: _Float = 0.0,
        max_dt: _Float = ...,
        min_at: _Float = ...,
        max_at: _Float = ...,
        backtrackable: _Bool = True,
        min_vals: Sequence[_Float] | None = None,
        max_vals: Sequence[_Float] | None = None,
        require_nan_vals: Sequence[_Bool] | None = None,
        block_min_vals: Sequence[_Float] | None = None,
        block_max_vals: Sequence[_Float] | None = None,
        block_require_nan_vals: Sequence[_Bool] | None = None,
    ) -> None:
        """Append an element that matches a fixed token set, optionally joined by the token the
        previously matched element matched.

        static_match_tokens: fixed tokens that match, with the parallel value lists min_vals /
                             max_vals / require_nan_vals.
        static_block_tokens: fixed tokens that rule the element out, with block_min_vals /
                             block_max_vals / block_require_nan_vals.
        match_from_last:     also match the previously matched token.
        block_from_last:     also rule the element out when the previously matched token recurs
                             (e.g. "a different code from the same family, before the same code
                             is seen again").
        The time bounds and backtrackable are as in `add_event`.
        """
    # Keys are the tokens the source element matched: a str for one token, a tuple of str for a
    # same-timestamp sequence. One overload per key type, so that a dict literal takes its type.
    @overload
    def add_mapped_event(
        self,
        source_element: SupportsIndex,
        match_map: Mapping[str, _EventSpec],
        default: _EventSpec | None = None,
        backtrackable: _Bool = True,
    ) -> None: ...
    @overload
    def add_mapped_event(
        self,
        source_element: SupportsIndex,
        match_map: Mapping[tuple[str, ...], _EventSpec],
        default: _EventSpec | None = None,
        backtrackable: _Bool = True,
    ) -> None: ...
    @overload
    def add_mapped_event(
        self,
        source_element: SupportsIndex,
        match_map: Mapping[str | tuple[str, ...], _EventSpec],
        default: _EventSpec | None = None,
        backtrackable: _Bool = True,
    ) -> None: ...
    def add_midstream_collector(
        self,
        match_tokens: Sequence[str] | Sequence[Sequence[str]],
        start_after: Sequence[int],
        stop_before: Sequence[int],
        collector: _Collector = "collect_tokens",
    ) -> None: ...

@final
class TideQuery:
    """A compiled, immutable copy of a `Pattern`, matched against streams.

    TideQuery(pattern)

    The pattern is copied at once: later changes to it do not reach the query. One query may
    match any number of streams, in any order.
    """

    def __new__(cls, pattern: Pattern) -> TideQuery: ...
    def match_stream(
        self,
        tokens: _Tokens,
        times: _Floats,
        values: _Floats | None = None,
        first_only: _Bool = False,
        include_tokens: _Bool = False,
    ) -> _MatchResult: ...
    def preprocess(self, tokens: _Tokens, times: _Floats, values: _Floats | None = None) -> PreprocessedStream: ...
    def match_preprocessed(
        self, stream: PreprocessedStream, first_only: _Bool = False, include_tokens: _Bool = False
    ) -> _MatchResult:
        """Match a stream prepared by `preprocess` (by this or any other query).

        Returns the same dictionary as `match_stream` on the stream's tokens, times and values;
        the stream is not changed and can be matched again. first_only and include_tokens are
        as in `match_stream`.
        """
    def match_batch(
        self,
        token_ids: npt.NDArray[np.uint32],
        times: npt.NDArray[np.float64],
        offsets: npt.NDArray[np.int64],
        values: npt.NDArray[np.float64] | None = None,
    ) -> _BatchResult: ...

@final
class PreprocessedStream:
    """A stream whose tokens are already converted to ids, made by `TideQuery.preprocess` and
    matched by `TideQuery.match_preprocessed`. It has no constructor; `len(stream)` is its
    number of tokens."""

    def __len__(self) -> int: ...

@final
class AnnotationSpec:
    """One label column to compute over a stream with `annotate_stream`: a column name and what
    to compute. Made only by the static methods (future_occurrence, past_occurrence,
    before_event, in_span, future_span_occurrence, past_span_occurrence, window_aggregate,
    span_aggregate, state_label); it has no constructor.

    Token references (x, y, k) are a token, a token list, a list of same-timestamp sequences or
    a `Pattern` (each match counts at its first position). Spans are a `Pattern` (each match),
    a (start_token, end_token) tuple or `StateMachine.span(state)`.
    """

    @staticmethod
    def future_occurrence(
        name: str, x: _TokenRef, window_t: _Float, partial_window: _Bool = False
    ) -> AnnotationSpec: ...
    @staticmethod
    def past_occurrence(name: str, x: _TokenRef, window_t: _Float, partial_window: _Bool = False) -> AnnotationSpec: ...
    @staticmethod
    def before_event(name: str, x: _TokenRef, y: _TokenRef, reset: _Bool = True) -> AnnotationSpec: ...
    @staticmethod
    def in_span(name: str, x: _TokenRef, span: _SpanRef) -> AnnotationSpec: ...
    @staticmethod
    def future_span_occurrence(
        name: str, span: _SpanRef, window_t: _Float, partial_window: _Bool = False
    ) -> AnnotationSpec: ...
    @staticmethod
    def past_span_occurrence(
        name: str, span: _SpanRef, window_t: _Float, partial_window: _Bool = False
    ) -> AnnotationSpec: ...
    @staticmethod
    def window_aggregate(
        name: str,
        k: _TokenRef,
        window_t: _Float,
        agg: _Agg = "mean",
        forward: _Bool = True,
        partial_window: _Bool = False,
    ) -> AnnotationSpec: ...
    @staticmethod
    def span_aggregate(name: str, k: _TokenRef, span: _SpanRef, agg: _Agg = "mean") -> AnnotationSpec: ...
    @staticmethod
    def state_label(
        name: str, machine: StateMachine, default_state: SupportsIndex = 0, invalid_label: SupportsIndex = ...
    ) -> AnnotationSpec: ...

@final
class StateMachine:
    """A state machine over a token stream: a base state and named states, entered and left by
    triggers, with expiry (max_gap, timeout_to) and validity rules (min_duration, min_events,
    require, drop_unclosed).

    StateMachine(out_name="out")

    out_name: the name of the base state (id 0), the state outside every declared state.
    Declared states get ids 1, 2, ... in declaration order. A trigger is a token, a token list,
    a list of same-timestamp sequences or a `Pattern`. Run it with `state_spans`, label with
    `AnnotationSpec.state_label`, or use a state as a span with `span(state)`; each use takes a
    snapshot, so later changes to the machine do not reach it.
    """

    def __new__(cls, out_name: str = "out") -> StateMachine: ...
    def add_state(
        self,
        name: str,
        max_gap: _Float = ...,
        gap_anchor: Literal["sustain", "any_event", "entry"] = "sustain",
        sustain: _TokenRef | None = None,
        self_transition: Literal["refresh", "restart", "ignore"] = "refresh",
        min_duration: _Float = 0.0,
        min_events: SupportsIndex = 1,
        require: Sequence[_TokenRef] | None = None,
        drop_unclosed: _Bool = True,
        timeout_to: str | None = None,
    ) -> None: ...
    def add_entry(
        self, state: str, trigger: _TokenRef, from_states: Sequence[str] | None = None, anchor: _Anchor = "end"
    ) -> None: ...
    def add_exit(self, state: str, trigger: _TokenRef, inclusive: _Bool = True, anchor: _Anchor = "end") -> None: ...
    def span(self, state: str, valid_only: _Bool = True) -> StateSpan: ...
    def state_id(self, name: str) -> int:
        """The id of the state called `name`: 0 for the base state, 1, 2, ... for the declared
        states in declaration order (the ids in state_spans' "state" column and in
        state_label columns). An unknown name raises ValueError listing the declared ones."""
    @property
    def state_names(self) -> list[str]: ...

@final
class StateSpan:
    """A snapshot of one state's occupancy, used as a span source."""

def annotate_stream(
    tokens: _Tokens, times: _Floats, specs: Sequence[AnnotationSpec], values: _Floats | None = None
) -> dict[str, npt.NDArray[Any]]:
    """Compute label columns over one stream: one NumPy array per spec, each as long as the
    stream, keyed by the spec's name in the order given (a later spec with the same name
    replaces the earlier column).

    tokens, times, values: the stream (times non-decreasing; values NaN where a token carries
    no value, or None for a stream without values).
    specs: a list of `AnnotationSpec`.

    Example:
        cols = annotate_stream(tokens, times, [
            AnnotationSpec.future_occurrence("creat_48h", "LAB_CREATININE", 48.0),
            AnnotationSpec.state_label("state", machine),
        ], values)
        cols["creat_48h"]  # int8: 1, 0, or -1 where the window runs past the stream's end
    """

def state_spans(
    tokens: _Tokens,
    times: _Floats,
    machine: StateMachine,
    values: _Floats | None = None,
    include_invalid: _Bool = True,
) -> _StateSpans:
    """Run a `StateMachine` over one stream and list its state instances, one row per
    instance (ordered by start position), as a dictionary of equally long NumPy arrays:

      state            int32  state id (`machine.state_names[id]` is its name)
      start_pos        int64  first position
      end_pos          int64  last position, inclusive
      t_start, t_end   float64  times at which the instance opened and closed
      n_events         int64  evidence count
      close_reason     int8   index into CLOSE_REASONS
      reject_reason    int8   index into REJECT_REASONS (0 for a valid instance)
      valid            int8   1 valid, 0 rejected
      timeout_entered  int8   1 when the instance was opened by another state's timeout_to

    include_invalid=False drops the rejected instances.
    """

def vocab_ids(tokens: Sequence[str]) -> list[int]: ...

CLOSE_REASONS: list[str]
REJECT_REASONS: list[str]
