"""Time-window labels: future and past occurrence and window aggregates."""

import pytest
from annotation_helpers import (
    AGGS,
    NAN,
    WINDOWS,
    aggregate,
    cut_off,
    floats,
    in_window,
    labels,
    nan_as_none,
    starts,
    streams,
    token_refs,
)
from hypothesis import given
from tidemark import AnnotationSpec, Pattern, annotate_stream

A = AnnotationSpec


@pytest.mark.parametrize("w", [-1.0, NAN])
def test_widths_that_hold_nothing(w):
    # Not even the point at the position's own time, and such a window is never cut off.
    assert labels(A.future_occurrence("f", "x", w), "qxqx") == [0, 0, 0, 0]


def test_a_nan_time_lies_in_no_window():
    # The point at the NaN time is in no window, the window of that position holds nothing,
    # and the points after it are still found.
    times = [1, NAN, 5]
    assert labels(A.future_occurrence("f", "x", 0.0, True), "xxx", times) == [1, 0, 1]
    assert floats(A.window_aggregate("w", "x", 0.0, "count", partial_window=True), "xxx", times) == [1, None, 1]


def test_window_aggregate_without_values():
    # Every point then carries NaN: only count sees them.
    assert floats(A.window_aggregate("w", "k", 1.0, "count", partial_window=True), "kqk") == [1, 1, 1]
    assert floats(A.window_aggregate("w", "k", 1.0, "max", partial_window=True), "kqk") == [None] * 3


def test_pattern_points_sit_at_the_match_start():
    p = Pattern()
    p.add_event("k")
    p.add_event("x")
    # Matches (0, 2) and (1, 2): points at 0 and 1 with their values.
    spec = A.window_aggregate("w", p, 10.0, "mean", partial_window=True)
    assert floats(spec, "kkxk", [0, 1, 2, 3], [2, 4, 100, 100]) == [3, 4, None, None]


@given(streams(), token_refs)
def test_window_labels_against_their_definition(stream, ref):
    """Occurrence and every aggregate, for each window width, direction and cut-off rule."""
    tokens, times, values = stream
    pts = starts(ref, tokens, times)
    specs = []
    for k, (w, forward, partial) in enumerate(WINDOWS):
        specs.append((A.future_occurrence if forward else A.past_occurrence)(f"{k}", ref, w, partial))
        specs += [A.window_aggregate(f"{k} {agg}", ref, w, agg, forward, partial) for agg in AGGS]
    got = annotate_stream(tokens, times, specs, values)
    for k, (w, forward, partial) in enumerate(WINDOWS):
        inside = [[values[p] for p in pts if in_window(t, times[p], w, forward)] for t in times]
        cut = [cut_off(t, w, forward, times, partial) for t in times]
        assert got[f"{k}"].tolist() == [-1 if c else int(bool(v)) for c, v in zip(cut, inside)], (w, forward, partial)
        for agg in AGGS:
            expected = [None if c or not v else aggregate(agg, v) for c, v in zip(cut, inside)]
            assert nan_as_none(got[f"{k} {agg}"]) == expected, (w, forward, partial, agg)
