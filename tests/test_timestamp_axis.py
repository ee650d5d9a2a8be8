"""The private timestamp-axis functions against plain NumPy: runs of equal times per
document, and run searches merged by sorting queries among the runs."""

import numpy as np
import pytest
import tidemark
from hypothesis import given
from hypothesis import strategies as st

documents = st.lists(st.lists(st.integers(-3, 6), max_size=8).map(sorted), min_size=1, max_size=6)


def _flat(docs):
    times = np.array([t for d in docs for t in d], dtype=np.int64)
    offsets = np.cumsum([0] + [len(d) for d in docs]).astype(np.int64)
    return times, offsets


def _merged_locate(run_times, doc_offsets, doc, at, after):
    """Queries sorted among the runs by (document, time), before equal times or after
    them: the runs ahead of a query are its answer."""
    owner = np.repeat(np.arange(len(doc_offsets) - 1), np.diff(doc_offsets))
    n = len(run_times)
    tie = np.concatenate([np.ones(n), np.full(len(at), 2 if after else 0)])
    order = np.lexsort((tie, np.concatenate([run_times, at]), np.concatenate([owner, doc])))
    is_run = order < n
    ahead = np.cumsum(is_run) - is_run
    out = np.empty(len(at), dtype=np.int64)
    out[order[~is_run] - n] = ahead[~is_run]
    return out


@given(documents, st.lists(st.tuples(st.integers(0, 5), st.integers(-5, 8)), max_size=20), st.booleans())
def test_runs_and_locate_equal_numpy(docs, queries, after):
    times, offsets = _flat(docs)
    starts, doc_offsets = tidemark._timestamp_runs(times, offsets)
    new = np.r_[True, times[1:] != times[:-1]] if len(times) else np.zeros(0, dtype=bool)
    new[offsets[:-1][offsets[:-1] < len(times)]] = True
    np.testing.assert_array_equal(starts, np.flatnonzero(new))
    np.testing.assert_array_equal(doc_offsets, np.searchsorted(starts, offsets))
    doc = np.array([q[0] % len(docs) for q in queries], dtype=np.int64)
    at = np.array([q[1] for q in queries], dtype=np.int64)
    run_times = times[starts]
    found = tidemark._locate_runs(run_times, doc_offsets, doc, at, after=after)
    np.testing.assert_array_equal(found, _merged_locate(run_times, doc_offsets, doc, at, after))


@pytest.mark.parametrize(
    ("times", "offsets", "message"),
    [
        ([0, 1, 0], [0, 3], "times decrease in document 0 at row 2"),
        ([0, 1], [0, 3], "offsets must start at 0 and end at the number of rows"),
        ([0, 1], [0, 2, 1, 2], "offsets decrease at document 1"),
        ([0], [], "offsets: expected at least one entry"),
    ],
)
def test_bad_runs_input_is_refused(times, offsets, message):
    with pytest.raises(ValueError, match=message):
        tidemark._timestamp_runs(np.array(times, dtype=np.int64), np.array(offsets, dtype=np.int64))


def test_locate_refuses_a_document_out_of_range():
    with pytest.raises(ValueError, match="query 0 names document 2 of 1"):
        tidemark._locate_runs(np.array([0]), np.array([0, 1]), np.array([2]), np.array([0]))
