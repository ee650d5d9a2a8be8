"""Time-window labels: future and past occurrence and window aggregates."""
import numpy as np
import pytest
from hypothesis import given

from annotation_helpers import (AGGS, NAN, WINDOWS, aggregate, column, cut_off, floats, in_window, labels, nan_as_none,
                                starts, streams, token_refs)
from tidemark import AnnotationSpec, Pattern, annotate_stream

A = AnnotationSpec


@pytest.mark.parametrize("spec, expected", [
    # x at times 1 and 3; the last time is 3, the first 0. Window ends are included.
    (A.future_occurrence("f", "x", 1.0), [1, 1, 1, -1]),
    (A.future_occurrence("f", "x", 2.0), [1, 1, -1, -1]),  # cut off although x lies in the window
    (A.past_occurrence("p", "x", 1.0), [-1, 1, 1, 1]),
    (A.past_occurrence("p", "x", 0.0), [0, 1, 0, 1]),
    (A.future_occurrence("f", "never", 1.0, True), [0, 0, 0, 0]),
    (A.future_occurrence("f", "x", -1.0), [0, 0, 0, 0]),
    (A.future_occurrence("f", "x", NAN), [0, 0, 0, 0]),
])
def test_occurrence_boundaries(spec, expected):
    assert labels(spec, "qxqx") == expected


def test_repeated_times_belong_to_every_window_at_that_time():
    # x at position 2 shares time 5 with positions 1 and 3.
    assert labels(A.past_occurrence("p", "x", 0.0), "qqxq", [0, 5, 5, 5]) == [0, 1, 1, 1]
    assert labels(A.future_occurrence("f", "x", 0.0), "qqxq", [0, 5, 5, 5]) == [0, 1, 1, 1]


def test_a_nan_time_lies_in_no_window():
    # The point at the NaN time is in no window, the window of that position holds nothing,
    # and the points after it are still found.
    times = [1, NAN, 5]
    assert labels(A.future_occurrence("f", "x", 0.0, True), "xxx", times) == [1, 0, 1]
    assert floats(A.window_aggregate("w", "x", 0.0, "count", partial_window=True), "xxx", times) == [1, None, 1]


@pytest.mark.parametrize("agg, w, forward, expected", [
    # k at times 0 (value 4), 1 (NaN), 2 (1) and 5 (7); an empty window is NaN, for count too.
    ("count", 1.0, True, [2, 2, 1, None, 1, 1]),
    ("mean", 2.0, True, [2.5, 1, 1, 7, 7, 7]),
    ("mean", 2.0, False, [4, 4, 2.5, 1, 1, 7]),
])
def test_window_aggregates(agg, w, forward, expected):
    tokens, times = "kkkqqk", [0, 1, 2, 3.5, 4, 5]
    values = [4, NAN, 1, 9, 9, 7]
    spec = A.window_aggregate("w", "k", w, agg, forward, partial_window=True)
    assert floats(spec, tokens, times, values) == expected


def test_window_aggregate_cut_off_and_without_values():
    tokens, times = "kqk", [0, 1, 2]
    assert floats(A.window_aggregate("w", "k", 1.0, "count"), tokens, times) == [1, 1, None]
    assert floats(A.window_aggregate("w", "k", 1.0, "count", forward=False), tokens, times) == [None, 1, 1]
    # Without a values array every point carries NaN: only count sees them.
    assert floats(A.window_aggregate("w", "k", 1.0, "max", partial_window=True), tokens, times) == [None] * 3
    assert floats(A.window_aggregate("w", "never", 1.0, "count", partial_window=True), tokens, times) == [None] * 3


def test_pattern_points_sit_at_the_match_start():
    p = Pattern()
    p.add_event("k")
    p.add_event("x")
    # Matches (0, 2) and (1, 2): points at 0 and 1 with their values.
    spec = A.window_aggregate("w", p, 10.0, "mean", partial_window=True)
    assert floats(spec, "kkxk", [0, 1, 2, 3], [2, 4, 100, 100]) == [3, 4, None, None]


def test_empty_stream_and_dtypes():
    specs = [A.future_occurrence("f", "x", 1.0), A.window_aggregate("w", "x", 1.0)]
    for spec, dtype in zip(specs, [np.int8, np.float64]):
        assert column(spec, "").dtype == dtype and len(column(spec, "")) == 0
        assert column(spec, "xq").dtype == dtype


@given(streams(), token_refs)
def test_occurrence_against_its_definition(stream, ref):
    tokens, times, _ = stream
    pts = [times[p] for p in starts(ref, tokens, times)]
    specs = [(A.future_occurrence if forward else A.past_occurrence)(str(k), ref, w, partial)
             for k, (w, forward, partial) in enumerate(WINDOWS)]
    got = annotate_stream(tokens, times, specs)
    for k, (w, forward, partial) in enumerate(WINDOWS):
        expected = [-1 if cut_off(t, w, forward, times, partial)
                    else int(any(in_window(t, pt, w, forward) for pt in pts)) for t in times]
        assert got[str(k)].tolist() == expected, (w, forward, partial)


@given(streams(), token_refs)
def test_window_aggregate_against_its_definition(stream, ref):
    tokens, times, values = stream
    pts = starts(ref, tokens, times)
    cases = [(window, agg) for window in WINDOWS for agg in AGGS]
    specs = [A.window_aggregate(str(k), ref, w, agg, forward, partial)
             for k, ((w, forward, partial), agg) in enumerate(cases)]
    got = annotate_stream(tokens, times, specs, values)
    for k, ((w, forward, partial), agg) in enumerate(cases):
        expected = []
        for t in times:
            inside = [values[p] for p in pts if in_window(t, times[p], w, forward)]
            expected.append(None if cut_off(t, w, forward, times, partial) or not inside else aggregate(agg, inside))
        assert nan_as_none(got[str(k)]) == expected, (w, forward, partial, agg)
