"""The corpus row order against NumPy's stable lexicographic sort."""

import numpy as np
from hypothesis import given
from hypothesis import strategies as st

from tidemark_corpus.ordering import distinct_sorted, is_ordered, stable_order

rows = st.lists(st.tuples(st.integers(-2, 3), st.integers(0, 4)), max_size=30)


def lexsorted(subjects, keys):
    return np.lexsort((keys, subjects))


@given(rows)
def test_any_rows_are_ordered_like_a_stable_sort(pairs):
    subjects = np.array([s for s, _ in pairs], dtype=np.int64)
    keys = np.array([k for _, k in pairs], dtype=np.int64)
    assert np.array_equal(stable_order(subjects, keys), lexsorted(subjects, keys))
    assert is_ordered(subjects, keys) == np.array_equal(lexsorted(subjects, keys), np.arange(len(pairs)))


@given(st.lists(st.lists(st.integers(0, 3), min_size=1, max_size=6), max_size=8), st.randoms(use_true_random=False))
def test_shard_runs_are_ordered_like_a_stable_sort(runs, rng):
    # One run per subject, each in time order, the runs in any subject order: MEDS shards concatenated.
    subject_of_run = list(range(len(runs)))
    rng.shuffle(subject_of_run)
    subjects = np.array([subject_of_run[i] for i, run in enumerate(runs) for _ in run], dtype=np.int64)
    keys = np.concatenate([np.sort(run) for run in runs]).astype(np.float64) if runs else np.zeros(0)
    assert np.array_equal(stable_order(subjects, keys), lexsorted(subjects, keys))


@given(st.lists(st.integers(-3, 3)).map(sorted))
def test_distinct_sorted(values):
    values = np.array(values, dtype=np.int64)
    assert np.array_equal(distinct_sorted(values), np.unique(values))
