"""Where one predicate holds, as the sorted rows of its hits, so that every question a
window asks of it is the rank of a row among the hits (how many hits lie before it):

- its count over timestamps `lo..hi-1` is `rank(bounds[hi]) - rank(bounds[lo])`;
- the first timestamp at or after `lo` where it holds is that of hit `rank(bounds[lo])`,
  and the last one before `hi` that of hit `rank(bounds[hi]) - 1`.

A few ranks are binary searches among the hits; ranks asked for a sizeable share of all
rows at once come from a running count over the rows, built once.
"""

from functools import cached_property

import numpy as np

from .timeline import Timeline

# Ranks for more than this share of the rows at once come from the running count.
_DENSE_SHARE = 1 / 16


class Marks:
    """The predicate holds `hit_rows` times (sorted; a row at most once), at timestamps
    `hit_timestamps[1:-1]`, which -1 and the timestamp count enclose so that a search
    past either end lands on a sentinel."""

    def __init__(self, timeline: Timeline, hit_rows: np.ndarray, hit_timestamps: np.ndarray) -> None:
        self.timeline = timeline
        self.hit_rows = hit_rows
        self.hit_timestamps = np.empty(len(hit_rows) + 2, dtype=hit_timestamps.dtype)
        self.hit_timestamps[0], self.hit_timestamps[-1] = -1, timeline.size
        self.hit_timestamps[1:-1] = hit_timestamps

    @classmethod
    def of_rows(cls, timeline: Timeline, row_mask: np.ndarray) -> "Marks":
        """Holding at each row set in `row_mask`."""
        rows = np.flatnonzero(row_mask)
        return cls(timeline, rows, timeline.row_timestamp[rows])

    @classmethod
    def at(cls, timeline: Timeline, timestamps: np.ndarray) -> "Marks":
        """Holding once at each of `timestamps` (sorted indices)."""
        return cls(timeline, timeline.bounds[timestamps], timestamps)

    @cached_property
    def _running(self) -> np.ndarray:
        """`_running[r]`: the hits in rows before r."""
        running = np.zeros(self.timeline.n_rows + 1, dtype=self.timeline.row_dtype)
        running[self.hit_rows + 1] = 1
        return np.cumsum(running, out=running)

    def rank(self, rows: np.ndarray) -> np.ndarray:
        """How many hits lie in rows before each of `rows`."""
        if len(rows) > self.timeline.n_rows * _DENSE_SHARE:
            return np.asarray(self._running[rows])
        return np.searchsorted(self.hit_rows, rows)

    def count(self, lo_rows: np.ndarray, hi_rows: np.ndarray) -> np.ndarray:
        """Hits in rows `lo_rows:hi_rows` (0 where the range is empty or reversed)."""
        return np.asarray(np.maximum(self.rank(hi_rows) - self.rank(lo_rows), 0))

    def next(self, lo: np.ndarray) -> np.ndarray:
        """The first timestamp at or after each `lo` where the predicate holds (the
        timestamp count when none does)."""
        return np.asarray(self.hit_timestamps[self.rank(self.timeline.bounds[lo]) + 1])

    def previous(self, hi: np.ndarray) -> np.ndarray:
        """The last timestamp before each `hi` where the predicate holds (-1 when none does)."""
        return np.asarray(self.hit_timestamps[self.rank(self.timeline.bounds[hi])])

    @cached_property
    def timestamps(self) -> np.ndarray:
        """The timestamps where the predicate holds, in order, each once."""
        padded = self.hit_timestamps
        return np.asarray(padded[1:-1][padded[1:-1] != padded[:-2]])

    @property
    def present(self) -> np.ndarray:
        """Whether the predicate holds at each timestamp."""
        held = np.zeros(self.timeline.size, dtype=bool)
        held[self.hit_timestamps[1:-1]] = True
        return held
