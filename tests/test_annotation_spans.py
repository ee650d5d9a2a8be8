"""Span references and the span labels: in_span, span occurrences, span aggregates, state labels.
Token-pair spans are checked against their definition; state spans and labels by hand."""

from annotation_helpers import (
    AGGS,
    TOKENS,
    WINDOWS,
    aggregate,
    cut_off,
    in_window,
    labels,
    nan_as_none,
    starts,
    streams,
    token_refs,
)
from hypothesis import given
from hypothesis import strategies as st
from tidemark import AnnotationSpec, Pattern, StateMachine, annotate_stream, state_spans

A = AnnotationSpec


def validity_machine():
    """a, entered by x and left by e, needs two entries; b is entered by the pattern p then r."""
    sm = StateMachine()
    sm.add_state("a", min_events=2)
    sm.add_state("b", drop_unclosed=False)
    sm.add_entry("a", "x")
    sm.add_exit("a", "e")
    p = Pattern()
    p.add_event("p")
    p.add_event("r")
    sm.add_entry("b", p)
    return sm


def test_state_spans_valid_only():
    sm = validity_machine()
    # a: (0, 1) with one entry is rejected, (3, 5) with two is valid.
    tokens = "xeqxxe"
    assert labels(A.in_span("s", "never", sm.span("a")), tokens) == [-1, -1, -1, 0, 0, 0]
    assert labels(A.in_span("s", "never", sm.span("a", valid_only=False)), tokens) == [0, 0, -1, 0, 0, 0]


def test_empty_timeout_entered_instances_leave_no_mark():
    sm = StateMachine()
    sm.add_state("a", max_gap=1.0, timeout_to="b", drop_unclosed=False)
    sm.add_state("b", max_gap=1.0)
    sm.add_entry("a", "x")
    tokens, times = ["x", "q"], [0.0, 10.0]
    rows = state_spans(tokens, times, sm)
    assert rows["state"].tolist() == [1, 2] and rows["end_pos"].tolist() == [0, 0]  # b: start 1, end 0
    assert labels(A.in_span("s", "never", sm.span("b", valid_only=False)), tokens, times) == [-1, -1]
    assert labels(A.state_label("l", sm), tokens, times) == [1, 0]


def test_state_labels():
    sm = validity_machine()
    # x at 1 opens a; the pattern (0, 2) then enters b, which owns 0 to 2: a keeps only 1 and is
    # rejected, and the valid b wins there.
    assert labels(A.state_label("l", sm), "pxrq") == [2, 2, 2, 2]
    assert labels(A.state_label("l", sm, 5, -7), "qxeqxxq") == [5, -7, -7, 5, -7, -7, -7]
    assert labels(A.state_label("l", sm), "qxxeq") == [0, 1, 1, 1, 0]


def pair_spans(tokens, z, y):
    """Each z with the first y after it."""
    return [
        (s, next(e for e in range(s + 1, len(tokens)) if tokens[e] == y))
        for s, t in enumerate(tokens)
        if t == z and y in tokens[s + 1 :]
    ]


pairs = st.tuples(st.sampled_from(TOKENS), st.sampled_from(TOKENS))


@given(streams(), pairs)
def test_span_occurrence_against_its_definition(stream, pair):
    tokens, times, _ = stream
    spans = pair_spans(tokens, *pair)
    specs = [
        (A.future_span_occurrence if forward else A.past_span_occurrence)(str(k), pair, w, partial)
        for k, (w, forward, partial) in enumerate(WINDOWS)
    ]
    got = annotate_stream(tokens, times, specs)
    for k, (w, forward, partial) in enumerate(WINDOWS):
        # Inside a span (2) beats a cut-off window (-1).
        expected = [
            2
            if any(s <= i <= e for s, e in spans)
            else -1
            if cut_off(t, w, forward, times, partial)
            else int(any(in_window(t, times[s], w, forward) for s, _ in spans))
            for i, t in enumerate(times)
        ]
        assert got[str(k)].tolist() == expected, (w, forward, partial)


@given(streams(), token_refs, pairs)
def test_in_span_and_span_aggregate_against_their_definition(stream, ref, pair):
    tokens, times, values = stream
    pts, spans = starts(ref, tokens, times), pair_spans(tokens, *pair)
    got = annotate_stream(
        tokens, times, [A.in_span("in", ref, pair)] + [A.span_aggregate(agg, ref, pair, agg) for agg in AGGS], values
    )
    covering = [[any(s <= p <= e for p in pts) for s, e in spans if s <= i <= e] for i in range(len(tokens))]
    assert got["in"].tolist() == [int(any(c)) if c else -1 for c in covering]
    for agg in AGGS:
        expected = [None] * len(tokens)
        for s, e in sorted(spans):
            value = aggregate(agg, [values[p] for p in pts if s <= p <= e])
            expected[s : e + 1] = [value] * (e - s + 1)
        assert nan_as_none(got[agg]) == expected, agg
