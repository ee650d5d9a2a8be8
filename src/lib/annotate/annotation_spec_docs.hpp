// Text signatures and documentation of the AnnotationSpec static methods.
#pragma once

namespace tide::py::doc {

inline constexpr const char* k_future_occurrence = R"doc(future_occurrence(name, x, window_t, partial_window=False)
--

For each position i, label whether X fires within [time[i], time[i]+window_t].
Labels: 1=yes  0=no  -1=n/a (partial_window=False and window exceeds stream end).)doc";

inline constexpr const char* k_past_occurrence = R"doc(past_occurrence(name, x, window_t, partial_window=False)
--

For each position i, label whether X fired within [time[i]-window_t, time[i]].
Labels: 1=yes  0=no  -1=n/a (partial_window=False and window precedes stream start).)doc";

inline constexpr const char* k_before_event = R"doc(before_event(name, x, y, reset=True)
--

Label each Y-delimited epoch by whether X occurs anywhere inside it.

The label is constant across an epoch, so positions before the X itself
carry it too — the question is about the epoch, not about what has been
seen so far.

reset=True (default): epochs are the spans between consecutive Y.  A
  closed epoch (one ending at a Y) with no X is 0; the trailing epoch
  with no X is -1, since a later X could still arrive.
reset=False: the whole stream is one epoch — 1 if the first X is at or
  before the first Y, 0 if a Y comes first, -1 if neither occurs.
Labels: 1=yes  0=no  -1=n/a.)doc";

inline constexpr const char* k_in_span = R"doc(in_span(name, x, span)
--

For each position i, label whether it is in a span that also contains X.

`span`: either a `Pattern` (each match defines a span via m_start→m_end)
        or a `(z_token, y_token)` string tuple (each Z is paired with
        the immediately following Y).

Labels: 1=yes (in a span with X)  0=no (in a span without X)  -1=n/a (not in any span).)doc";

inline constexpr const char* k_future_span_occurrence =
    R"doc(future_span_occurrence(name, span, window_t, partial_window=False)
--

For each position i, label whether a span event occurs within [time[i], time[i]+window_t].

`span`: either a Pattern or a (start_token, end_token) string tuple.

Labels: 2=position is inside a span  1=span starts within window
        0=no span in window  -1=n/a (partial_window=False, window exceeds stream end).)doc";

inline constexpr const char* k_past_span_occurrence =
    R"doc(past_span_occurrence(name, span, window_t, partial_window=False)
--

For each position i, label whether a span event occurred within [time[i]-window_t, time[i]].

Labels: 2=currently inside a span  1=span started within past window
        0=no span in window  -1=n/a (partial_window=False, window precedes stream start).)doc";

inline constexpr const char* k_window_aggregate =
    R"doc(window_aggregate(name, k, window_t, agg="mean", forward=True, partial_window=False)
--

For each position i, compute agg over the values of K in a time window.

`k`: str | list[str] | list[list[str]] | Pattern.  A pattern match
     contributes one point at its m_start, carrying that position's
     value — so agg="count" answers "how many encounters in the window".
forward=True  (default): window is [time[i], time[i]+window_t].
forward=False:           window is [time[i]-window_t, time[i]].
agg: one of "min", "max", "mean", "count".
Returns float64 array; NaN = empty window or n/a (partial_window=False).)doc";

inline constexpr const char* k_span_aggregate = R"doc(span_aggregate(name, k, span, agg="mean")
--

For each span, aggregate the values of K inside it and write that single
scalar to every position in the span — e.g. "max SBP during the ED stay".

`k`:    str | list[str] | list[list[str]] | Pattern.
`span`: Pattern | (start_token, end_token) | StateMachine.span(name).
agg:    one of "min", "max", "mean", "count".
Returns float64; NaN outside every span, and inside a span holding no K
(except agg="count", which is 0 there).)doc";

inline constexpr const char* k_state_label = R"doc(state_label(name, machine, default_state=0, invalid_label=...)
--

Label every position with the state a StateMachine was in at that point.

Returns an int32 column: `0` (or `default_state`) outside any state,
`1..k` for declared states in declaration order, and `invalid_label`
(`-1`) where an instance was retracted — still open at the end of the
stream, or failing one of its state's validity rules.  A state is only
known to be valid once it has closed, so `-1` means "unknown", not "no".

Use `machine.state_names` to map ids back to names.)doc";

}  // namespace tide::py::doc
