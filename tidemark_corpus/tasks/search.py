"""Whole-corpus searches on the timestamp axis, over every subject at once: the native
module's run functions."""

import numpy as np
import tidemark


def collapse_times(micros: np.ndarray, offsets: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
    """Runs of equal times within each subject: the first row of every run, and where
    each subject's runs start (n_subjects + 1)."""
    starts, run_offsets = tidemark._timestamp_runs(micros, offsets)  # type: ignore[attr-defined]
    return np.asarray(starts), np.asarray(run_offsets)


def locate(micros: np.ndarray, offsets: np.ndarray, subject: np.ndarray, at: np.ndarray, after: bool) -> np.ndarray:
    """The first timestamp index of `subject` whose time is at or after (strictly after,
    with `after`) `at`; the subject's end index when none is."""
    return np.asarray(tidemark._locate_runs(micros, offsets, subject, at, after=after))  # type: ignore[attr-defined]
