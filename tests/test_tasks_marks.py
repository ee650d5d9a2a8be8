"""Where a predicate holds (`Marks`): counts over timestamp ranges and the next and
previous timestamps where it holds, and the subject of each timestamp, by binary search
and by table, against a plain count over the rows."""

from unittest import mock

import numpy as np
import pytest
from hypothesis import given
from hypothesis import strategies as st

from tidemark_corpus.tasks import marks, timeline
from tidemark_corpus.tasks.marks import EveryTimestamp, Marks
from tidemark_corpus.tasks.timeline import Timeline


@st.composite
def timelines(draw):
    """A timeline of a few subjects (some without events), each timestamp of 1-3 rows,
    a row mask over it and ranges of timestamps to ask about."""
    per_subject = draw(st.lists(st.integers(0, 5), min_size=1, max_size=5))
    n_ts = sum(per_subject)
    rows_per_ts = draw(st.lists(st.integers(1, 3), min_size=n_ts, max_size=n_ts))
    bounds = np.concatenate([[0], np.cumsum(rows_per_ts, dtype=np.int64)])
    offsets = np.concatenate([[0], np.cumsum(per_subject, dtype=np.int64)])
    tl = Timeline(bounds, np.arange(n_ts, dtype=np.int64) * 10, offsets)
    mask = np.array(draw(st.lists(st.booleans(), min_size=tl.n_rows, max_size=tl.n_rows)), dtype=bool)
    ranges = draw(st.lists(st.tuples(st.integers(0, n_ts), st.integers(0, n_ts)), min_size=1, max_size=12))
    lo, hi = (np.array(side, dtype=np.int64) for side in zip(*ranges))
    return tl, mask, lo, hi


def _plain(tl: Timeline, mask: np.ndarray, lo: np.ndarray, hi: np.ndarray):
    """Counts over `lo..hi-1`, the next timestamp at or after `lo` and the previous one
    before `hi` where a row of `mask` lies, one range at a time."""
    per_ts = [int(mask[tl.bounds[k] : tl.bounds[k + 1]].sum()) for k in range(tl.size)]
    held = [k for k in range(tl.size) if per_ts[k]]
    counts = [sum(per_ts[a:b]) for a, b in zip(lo, hi)]
    nexts = [min([k for k in held if k >= a], default=tl.size) for a in lo]
    previous = [max([k for k in held if k < b], default=-1) for b in hi]
    return counts, nexts, previous


@pytest.mark.parametrize("share", [0.0, float("inf")], ids=["running count", "binary search"])
@given(case=timelines())
def test_marks_of_rows_and_of_timestamps_answer_like_a_plain_count(share, case):
    tl, mask, lo, hi = case
    first_rows = np.zeros(tl.n_rows, dtype=bool)
    first_rows[tl.bounds[:-1]] = True
    # A mask of first rows alone is a predicate that holds at most once per timestamp.
    held_at = np.flatnonzero((mask & first_rows)[tl.bounds[:-1]]) if tl.size else np.zeros(0, dtype=np.int64)
    cases = [
        (Marks.of_rows(tl, np.flatnonzero(mask)), mask),
        (Marks.at(tl, held_at), mask & first_rows),
        (EveryTimestamp(tl), first_rows),
    ]
    with mock.patch.object(marks, "DENSE_SHARE", share), mock.patch.object(timeline, "DENSE_SHARE", share):
        for m, rows in cases:
            counts, nexts, previous = _plain(tl, rows, lo, hi)
            assert m.count(lo, hi).tolist() == counts
            assert m.next(lo).tolist() == nexts
            assert m.previous(hi).tolist() == previous
            held = [bool(rows[tl.bounds[k] : tl.bounds[k + 1]].any()) for k in range(tl.size)]
            assert m.present.tolist() == held
            assert m.timestamps.tolist() == [k for k in range(tl.size) if held[k]]
        owners = [s for s in range(len(tl.offsets) - 1) for _ in range(tl.offsets[s], tl.offsets[s + 1])]
        assert tl.subject_of(np.arange(tl.size)).tolist() == owners


@given(case=timelines(), data=st.data(), after=st.tuples(st.booleans(), st.booleans()))
def test_counts_between_times_searched_among_the_hits_equal_those_searched_on_the_timeline(case, data, after):
    tl, mask, _, _ = case
    n_subjects = len(tl.offsets) - 1
    span = st.integers(-5, 10 * tl.size + 5)
    queries = data.draw(st.lists(st.tuples(st.integers(0, n_subjects - 1), span, span), min_size=1, max_size=12))
    subject, start, end = (np.array(side, dtype=np.int64) for side in zip(*queries))
    m = Marks.of_rows(tl, np.flatnonzero(mask))
    searched = m.count(tl.locate(subject, start, after[0]), tl.locate(subject, end, after[1]))
    assert m.count_between(subject, start, end, *after).tolist() == searched.tolist()
