// The signatures of the AnnotationSpec constructors: each parameter's name and default,
// declared once, and the documentation after the generated text signature.
#pragma once

#include "lib/plumbing/signature.hpp"

namespace tide::py::sig {

inline constexpr Param k_future_occurrence_params[] = {{"name"}, {"x"}, {"window_t"}, {"partial_window", "False"}};

inline constexpr Signature k_future_occurrence{
    Kind::StaticMethod, "AnnotationSpec.future_occurrence", k_future_occurrence_params,
    R"doc(For each position i, label whether X fires within [time[i], time[i]+window_t].
Labels: 1=yes  0=no  -1=n/a (partial_window=False and window exceeds stream end).)doc"};

inline constexpr Param k_past_occurrence_params[] = {{"name"}, {"x"}, {"window_t"}, {"partial_window", "False"}};

inline constexpr Signature k_past_occurrence{
    Kind::StaticMethod, "AnnotationSpec.past_occurrence", k_past_occurrence_params,
    R"doc(For each position i, label whether X fired within [time[i]-window_t, time[i]].
Labels: 1=yes  0=no  -1=n/a (partial_window=False and window precedes stream start).)doc"};

inline constexpr Param k_before_event_params[] = {{"name"}, {"x"}, {"y"}, {"reset", "True"}};

inline constexpr Signature k_before_event{Kind::StaticMethod, "AnnotationSpec.before_event", k_before_event_params,
                                          R"doc(Label each Y-delimited epoch by whether X occurs anywhere inside it.

The label is constant across an epoch, so positions before the X itself
carry it too — the question is about the epoch, not about what has been
seen so far.

reset=True (default): epochs are the spans between consecutive Y.  A
  closed epoch (one ending at a Y) with no X is 0; the trailing epoch
  with no X is -1, since a later X could still arrive.
reset=False: the whole stream is one epoch — 1 if the first X is at or
  before the first Y, 0 if a Y comes first, -1 if neither occurs.
Labels: 1=yes  0=no  -1=n/a.)doc"};

inline constexpr Param k_in_span_params[] = {{"name"}, {"x"}, {"span"}};

inline constexpr Signature k_in_span{Kind::StaticMethod, "AnnotationSpec.in_span", k_in_span_params,
                                     R"doc(For each position i, label whether it is in a span that also contains X.

`span`: either a `Pattern` (each match defines a span via m_start→m_end)
        or a `(z_token, y_token)` string tuple (each Z is paired with
        the immediately following Y).

Labels: 1=yes (in a span with X)  0=no (in a span without X)  -1=n/a (not in any span).)doc"};

inline constexpr Param k_future_span_occurrence_params[] = {
    {"name"}, {"span"}, {"window_t"}, {"partial_window", "False"}};

inline constexpr Signature k_future_span_occurrence{
    Kind::StaticMethod, "AnnotationSpec.future_span_occurrence", k_future_span_occurrence_params,
    R"doc(For each position i, label whether a span event occurs within [time[i], time[i]+window_t].

`span`: either a Pattern or a (start_token, end_token) string tuple.

Labels: 2=position is inside a span  1=span starts within window
        0=no span in window  -1=n/a (partial_window=False, window exceeds stream end).)doc"};

inline constexpr Param k_past_span_occurrence_params[] = {
    {"name"}, {"span"}, {"window_t"}, {"partial_window", "False"}};

inline constexpr Signature k_past_span_occurrence{
    Kind::StaticMethod, "AnnotationSpec.past_span_occurrence", k_past_span_occurrence_params,
    R"doc(For each position i, label whether a span event occurred within [time[i]-window_t, time[i]].

Labels: 2=currently inside a span  1=span started within past window
        0=no span in window  -1=n/a (partial_window=False, window precedes stream start).)doc"};

inline constexpr Param k_window_aggregate_params[] = {
    {"name"}, {"k"}, {"window_t"}, {"agg", R"("mean")"}, {"forward", "True"}, {"partial_window", "False"}};

inline constexpr Signature k_window_aggregate{
    Kind::StaticMethod, "AnnotationSpec.window_aggregate", k_window_aggregate_params,
    R"doc(For each position i, compute agg over the values of K in a time window.

`k`: str | list[str] | list[list[str]] | Pattern.  A pattern match
     contributes one point at its m_start, carrying that position's
     value — so agg="count" answers "how many encounters in the window".
forward=True  (default): window is [time[i], time[i]+window_t].
forward=False:           window is [time[i]-window_t, time[i]].
agg: one of "min", "max", "mean", "count".
Returns float64 array; NaN = empty window or n/a (partial_window=False).)doc"};

inline constexpr Param k_span_aggregate_params[] = {{"name"}, {"k"}, {"span"}, {"agg", R"("mean")"}};

inline constexpr Signature k_span_aggregate{
    Kind::StaticMethod, "AnnotationSpec.span_aggregate", k_span_aggregate_params,
    R"doc(For each span, aggregate the values of K inside it and write that single
scalar to every position in the span — e.g. "max SBP during the ED stay".

`k`:    str | list[str] | list[list[str]] | Pattern.
`span`: Pattern | (start_token, end_token) | StateMachine.span(name).
agg:    one of "min", "max", "mean", "count".
Returns float64; NaN outside every span, and inside a span holding no K
(except agg="count", which is 0 there).)doc"};

inline constexpr Param k_state_label_params[] = {
    {"name"}, {"machine"}, {"default_state", "0"}, {"invalid_label", "..."}};

inline constexpr Signature k_state_label{Kind::StaticMethod, "AnnotationSpec.state_label", k_state_label_params,
                                         R"doc(Label every position with the state a StateMachine was in at that point.

Returns an int32 column: `0` (or `default_state`) outside any state,
`1..k` for declared states in declaration order, and `invalid_label`
(`-1`) where an instance was retracted — still open at the end of the
stream, or failing one of its state's validity rules.  A state is only
known to be valid once it has closed, so `-1` means "unknown", not "no".

Use `machine.state_names` to map ids back to names.)doc"};

}  // namespace tide::py::sig
