"""Whole-corpus searches on the timestamp axis, vectorised over every subject at once."""

import numpy as np


def collapse_times(micros: np.ndarray, offsets: np.ndarray) -> tuple[np.ndarray, np.ndarray, np.ndarray]:
    """Runs of equal times within each subject: the first and one-past-last row of every
    run, and where each subject's runs start (n_subjects + 1)."""
    n = len(micros)
    new = np.ones(n, dtype=bool)
    if n:
        new[1:] = micros[1:] != micros[:-1]
        firsts = offsets[:-1][offsets[:-1] < n]
        new[firsts] = True
    starts = np.flatnonzero(new).astype(np.int64)
    ends = np.append(starts[1:], n).astype(np.int64)
    return starts, ends, np.searchsorted(starts, offsets).astype(np.int64)


def locate(micros: np.ndarray, offsets: np.ndarray, subject: np.ndarray, at: np.ndarray, after: bool) -> np.ndarray:
    """The first timestamp index of `subject` whose time is at or after (strictly after,
    with `after`) `at`; the subject's end index when none is."""
    n, q = len(micros), len(at)
    owner = np.repeat(np.arange(len(offsets) - 1, dtype=np.int64), np.diff(offsets))
    # Merge queries with timestamps by (subject, time); a query sorts before equal times
    # (at or after) or behind them (strictly after); the timestamps sorted before a query
    # are then exactly the global index sought.
    tie = np.concatenate([np.ones(n, dtype=np.int8), np.full(q, 2 if after else 0, dtype=np.int8)])
    order = np.lexsort((tie, np.concatenate([micros, at]), np.concatenate([owner, subject])))
    is_event = order < n
    before = np.cumsum(is_event) - is_event
    found = np.empty(q, dtype=np.int64)
    found[order[~is_event] - n] = before[~is_event]
    return found


def next_marked(marked: np.ndarray) -> np.ndarray:
    """For each index i (and one past the end): the first j >= i with `marked[j]`, or len."""
    n = len(marked)
    idx = np.where(marked, np.arange(n, dtype=np.int64), n)
    return np.append(np.minimum.accumulate(idx[::-1])[::-1], n)


def previous_marked(marked: np.ndarray) -> np.ndarray:
    """For each index i: the last j <= i with `marked[j]`, or -1."""
    idx = np.where(marked, np.arange(len(marked), dtype=np.int64), -1)
    return np.maximum.accumulate(idx) if len(idx) else idx
