"""Helpers of the annotation tests: one column of annotate_stream, random
streams, and where plain token references fire, found directly."""

import itertools
import math

from hypothesis import strategies as st
from state_reference import locate
from tidemark import annotate_stream

NAN = math.nan
TOKENS = "abcx"


def column(spec, tokens, times=None, values=None):
    """The single column `spec` computes over the stream (times default to 0, 1, 2, ...)."""
    times = [float(t) for t in (range(len(tokens)) if times is None else times)]
    [result] = annotate_stream(list(tokens), times, [spec], values).values()
    return result


def labels(spec, tokens, times=None, values=None):
    return column(spec, tokens, times, values).tolist()


def nan_as_none(array):
    """A float column as a list with NaN replaced by None, so that lists compare equal."""
    return [None if math.isnan(v) else v for v in array.tolist()]


def floats(spec, tokens, times=None, values=None):
    return nan_as_none(column(spec, tokens, times, values))


def starts(ref, tokens, times):
    """Positions where a str, list[str] or list[list[str]] reference fires."""
    return [s for s, _ in locate(ref, list(tokens), times)]


def in_window(t, pt, w, forward):
    return (t <= pt <= t + w) if forward else (t - w <= pt <= t)


def cut_off(t, w, forward, times, partial):
    """Whether the window of time t reaches past an end of the stream while partial windows are refused."""
    return not partial and (t + w > times[-1] if forward else t - w < times[0])


def aggregate(agg, vals):
    """count counts every value; min, max and mean skip NaN (None when nothing is left)."""
    if agg == "count":
        return float(len(vals))
    vals = [v for v in vals if not math.isnan(v)]
    if not vals:
        return None
    return {"min": min, "max": max, "mean": lambda v: sum(v) / len(v)}[agg](vals)


# Every window width, direction and cut-off rule, for property tests that try them all on each stream.
WINDOWS = [
    (w, forward, partial) for w in (0.0, 0.5, 1.0, 2.5) for forward in (True, False) for partial in (True, False)
]
AGGS = ["min", "max", "mean", "count"]

token_refs = st.one_of(
    st.sampled_from(TOKENS),
    st.lists(st.sampled_from(TOKENS), min_size=1, max_size=2),
    st.lists(st.lists(st.sampled_from(TOKENS), min_size=1, max_size=2), min_size=1, max_size=2),
)


@st.composite
def streams(draw, max_len=25):
    """(tokens, times, values): times non-decreasing with ties; values small
    numbers (exact in any summation order) or NaN."""
    tokens = draw(st.lists(st.sampled_from(TOKENS), max_size=max_len))
    n = len(tokens)
    steps = draw(st.lists(st.sampled_from([0.0, 0.0, 0.5, 1.0, 3.0]), min_size=n, max_size=n))
    times = list(itertools.accumulate(steps, initial=draw(st.sampled_from([-2.0, 0.0, 10.0]))))[1:]
    return tokens, times, draw(st.lists(st.sampled_from([NAN, -2.0, 0.5, 3.0, 8.0]), min_size=n, max_size=n))
