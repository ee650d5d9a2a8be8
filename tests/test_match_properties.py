"""Properties that compare two ways of computing the same matches."""

import numpy as np
import pytest
from hypothesis import given
from hypothesis import strategies as st
from matching import assert_columns_equal, stream_of
from tidemark import Pattern, TideQuery

ALPHABET = ["A", "B", "C", "D"]
COLLECTORS = ["none", "sum_times", "count", "collect_tokens", "collect_times", "collect_pairs"]

elements = st.lists(st.tuples(st.sampled_from(ALPHABET), st.booleans()), min_size=1, max_size=4)
streams = st.lists(st.tuples(st.sampled_from(ALPHABET), st.integers(0, 3)), max_size=14)


def build(elems, collector, max_at=float("inf"), ordered=True):
    p = Pattern(max_at=max_at, collector=collector, ordered=ordered)
    for token, backtrackable in elems:
        p.add_event(token, backtrackable=backtrackable)
    return TideQuery(p)


def comparable(r):
    """Collector lists of arrays become plain lists so results compare by value."""
    out = dict(r)
    if isinstance(out["result"], list):
        out["result"] = [x.tolist() if isinstance(x, np.ndarray) else x for x in out["result"]]
    return out


@given(elements, streams, st.sampled_from(COLLECTORS), st.booleans())
def test_fast_path_equals_general_search(elems, items, collector, first_only):
    tokens, times = stream_of(items)
    fast = build(elems, collector).match_stream(tokens, times, first_only=first_only, include_tokens=True)
    general = build(elems, collector, max_at=1e300).match_stream(
        tokens, times, first_only=first_only, include_tokens=True
    )
    assert_columns_equal(comparable(fast), comparable(general))


@given(elements, streams, st.booleans(), st.booleans())
def test_first_only_is_the_first_row(elems, items, general, ordered):
    tokens, times = stream_of(items)
    q = build(elems, "count", 1e300 if general else float("inf"), ordered)
    full = q.match_stream(tokens, times, include_tokens=True)
    first = q.match_stream(tokens, times, first_only=True, include_tokens=True)
    n = len(full["m_start"])
    assert len(first["m_start"]) == min(n, 1)
    for key in ["m_start", "m_end", "t_start", "t_end", "el_stream_idx", "el_times", "result"]:
        np.testing.assert_array_equal(first[key], full[key][:1])
    assert first["el_tokens"] == full["el_tokens"][:1]


def reference_matches(elems, max_dt, tokens, times):
    """Plain depth-first enumeration of an ordered pattern of windowed events."""
    out = []

    def extend(k, start, last_t, t_start, path):
        if k == len(elems):
            if times[path[-1]] - t_start <= max_dt:
                out.append(path)
            return
        token, lo, hi, backtrackable = elems[k]
        for p in range(start, len(tokens)):
            t = times[p]
            if t_start is not None and t - t_start > max_dt:
                return
            dt = 0.0 if last_t is None else t - last_t
            if tokens[p] == token and lo <= dt <= hi:
                extend(k + 1, p + 1, t, t if t_start is None else t_start, path + [p])
                if not backtrackable:
                    return

    extend(0, 0, None, None, [])
    return out


windowed = st.lists(
    st.tuples(st.sampled_from(ALPHABET[:3]), st.integers(0, 2), st.integers(0, 6), st.booleans()),
    min_size=1,
    max_size=3,
)


@given(windowed, st.integers(1, 12), streams)
def test_windowed_ordered_search_matches_reference(elems, max_dt, items):
    tokens, times = stream_of(items)
    elems = [(tok, float(lo), float(lo + span), bt) for tok, lo, span, bt in elems]
    p = Pattern(max_dt=float(max_dt))
    for token, lo, hi, backtrackable in elems:
        p.add_event(token, min_dt=lo, max_dt=hi, backtrackable=backtrackable)
    r = TideQuery(p).match_stream(tokens, times)
    assert r["el_stream_idx"].tolist() == reference_matches(elems, max_dt, tokens, list(times))


def reference_bounded(elems, max_at, tokens, times):
    """Plain depth-first enumeration of an ordered pattern of events bounded by
    max_at, over times in any order."""
    out = []

    def extend(k, start, last_t, path):
        if k == len(elems):
            if max(times[p] for p in path) <= max_at:
                out.append(path)
            return
        token, latest, backtrackable = elems[k]
        for p in range(start, len(tokens)):
            t = times[p]
            if tokens[p] == token and t <= latest and (last_t is None or t >= last_t):
                extend(k + 1, p + 1, t, path + [p])
                if not backtrackable:
                    return

    extend(0, 0, None, [])
    return out


bounded = st.lists(
    st.tuples(st.sampled_from(ALPHABET[:3]), st.sampled_from([2.0, 5.0, 9.0, float("inf")]), st.booleans()),
    min_size=1,
    max_size=4,
)


@given(bounded, st.sampled_from([4.0, 8.0, 1e300]), streams, st.booleans())
def test_time_bounded_search_matches_reference(elems, max_at, items, shuffled):
    # Branches past every bound are dropped only when the times are sorted.
    tokens, times = stream_of(items)
    times = [float(t) for t in times]
    if shuffled:
        times = times[::2] + times[1::2]
    p = Pattern(max_at=max_at)
    for token, latest, backtrackable in elems:
        p.add_event(token, max_at=latest, backtrackable=backtrackable)
    r = TideQuery(p).match_stream(tokens, times)
    assert r["el_stream_idx"].tolist() == reference_bounded(elems, max_at, tokens, times)


def reference_sets(elems, tokens):
    """Plain depth-first enumeration of an ordered pattern of event sets."""
    out = []

    def extend(k, start, path):
        if k == len(elems):
            out.append(path)
            return
        members, backtrackable = elems[k]
        for p in range(start, len(tokens)):
            if tokens[p] in members:
                extend(k + 1, p + 1, path + [p])
                if not backtrackable:
                    return

    extend(0, 0, [])
    return out


# Many tokens, each rare in a stream: an element's last occurrence is often
# early, and often alone.
WIDE = [f"T{i}" for i in range(24)]
wide_sets = st.lists(
    st.tuples(st.frozensets(st.sampled_from(WIDE), min_size=2, max_size=6), st.booleans()), min_size=1, max_size=3
)


@given(wide_sets, st.lists(st.sampled_from(WIDE), max_size=40))
def test_wide_event_sets_match_reference(elems, tokens):
    # Streams longer than a 16-token block and patterns with more first
    # tokens than the exact token search holds: the bounds' backward walk
    # runs block by block and through its hashed set.
    p = Pattern(max_at=1e300)
    for members, backtrackable in elems:
        p.add_event_set(sorted(members), backtrackable=backtrackable)
    r = TideQuery(p).match_stream(tokens, [0.0] * len(tokens))
    assert r["el_stream_idx"].tolist() == reference_sets(elems, tokens)


@pytest.mark.parametrize("n_members", [1, 5])  # 2 or 10 first tokens: the exact and the hashed token search
@pytest.mark.parametrize("first, second", [(0, 1), (0, 39), (15, 16), (16, 17), (31, 32), (38, 39)])
def test_lone_occurrences_anywhere_match(n_members, first, second):
    # Each element's tokens occur once, at block edges and stream ends, so
    # that the bounds' backward walk must find exactly those positions.
    tokens = ["X"] * 40
    tokens[first], tokens[second] = "A0", "B0"
    p = Pattern(max_at=1e300)
    p.add_event_set([f"A{i}" for i in range(n_members)])
    p.add_event_set([f"B{i}" for i in range(n_members)])
    r = TideQuery(p).match_stream(tokens, [0.0] * len(tokens))
    assert r["el_stream_idx"].tolist() == [[first, second]]
