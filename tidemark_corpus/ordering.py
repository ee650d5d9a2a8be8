"""The row order of a corpus: by subject, then time, rows equal in both in input order."""

import numpy as np
import polars as pl


def _sorted_runs(subjects: np.ndarray, keys: np.ndarray) -> np.ndarray | None:
    """The order that puts whole subject runs in subject order, when the input is made of
    runs (one per subject) already in time order, as MEDS shards are; else None."""
    n = len(subjects)
    new_run = np.empty(n, dtype=bool)
    new_run[:1] = True
    np.not_equal(subjects[1:], subjects[:-1], out=new_run[1:])
    if not np.all(new_run[1:] | (keys[1:] >= keys[:-1])):
        return None
    starts = np.flatnonzero(new_run)
    run_order = np.argsort(subjects[starts], kind="stable")
    ordered_subjects = subjects[starts[run_order]]
    if np.any(ordered_subjects[1:] == ordered_subjects[:-1]):
        return None  # a subject in several runs: its rows must be merged by time
    lengths = np.diff(np.append(starts, n))[run_order]
    moved_to = np.cumsum(lengths) - lengths
    order: np.ndarray = np.arange(n, dtype=np.int64) + np.repeat(starts[run_order] - moved_to, lengths)
    return order


def is_ordered(subjects: np.ndarray, keys: np.ndarray) -> bool:
    """Whether the rows are already ordered by subject, then by time key."""
    if len(subjects) < 2:
        return True
    same = subjects[1:] == subjects[:-1]
    return bool(np.all(subjects[1:] >= subjects[:-1]) and np.all(~same | (keys[1:] >= keys[:-1])))


def stable_order(subjects: np.ndarray, keys: np.ndarray) -> np.ndarray:
    """Row indices ordering rows by subject, then by time key, with rows equal in both
    kept in input order."""
    if len(subjects) == 0:
        return np.zeros(0, dtype=np.int64)
    runs = _sorted_runs(subjects, keys)
    if runs is not None:
        return runs
    frame = pl.DataFrame({"s": subjects, "t": keys}).with_row_index("i")
    return np.asarray(frame.sort(["s", "t"], maintain_order=True)["i"].to_numpy(), dtype=np.int64)


def distinct_sorted(values: np.ndarray) -> np.ndarray:
    """The distinct values of an ascending array."""
    keep = np.empty(len(values), dtype=bool)
    keep[:1] = True
    np.not_equal(values[1:], values[:-1], out=keep[1:])
    return values[keep]
