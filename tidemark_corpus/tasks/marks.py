"""Where one predicate holds, as the sorted positions of its hits, so that every question
a window asks of it is the rank of a timestamp among the hits (how many hits lie before
it):

- its count over timestamps `lo..hi-1` is `rank(hi) - rank(lo)`;
- the first timestamp at or after `lo` where it holds is that of hit `rank(lo)`, and the
  last one before `hi` that of hit `rank(hi) - 1`.

A predicate of rows (a code or value test) counts each row it accepts, so its hits are
rows and a timestamp's rank is that of its first row; a predicate of timestamps (derived,
the record's edges) holds at most once per timestamp and its hits are timestamps. A few
ranks are binary searches among the hits; ranks asked for a sizeable share of the axis
at once come from a running count over it, built once.
"""

from functools import cached_property

import numpy as np

from . import search
from .timeline import DENSE_SHARE, Timeline


class Marks:
    """The predicate's hits, `hits` (sorted positions on the rows, when `rows`, or on the
    timestamps), at timestamps `hit_timestamps[1:-1]`, which -1 and the timestamp count
    enclose so that a search past either end lands on a sentinel."""

    # Whether a count between ends still to find is cheaper among the hits alone
    # (`count_between`) than among all the timestamps.
    sparse = True

    def __init__(self, timeline: Timeline, hits: np.ndarray, hit_timestamps: np.ndarray, rows: bool) -> None:
        self.timeline = timeline
        self.hits = hits
        self.rows = rows
        self.hit_timestamps = np.empty(len(hits) + 2, dtype=hit_timestamps.dtype)
        self.hit_timestamps[0], self.hit_timestamps[-1] = -1, timeline.size
        self.hit_timestamps[1:-1] = hit_timestamps

    @classmethod
    def of_rows(cls, timeline: Timeline, rows: np.ndarray) -> "Marks":
        """Holding once at each of `rows` (sorted indices)."""
        return cls(timeline, rows, timeline.timestamp_of(rows), rows=True)

    @classmethod
    def at(cls, timeline: Timeline, timestamps: np.ndarray) -> "Marks":
        """Holding once at each of `timestamps` (sorted indices)."""
        return cls(timeline, timestamps, timestamps, rows=False)

    @property
    def _axis_length(self) -> int:
        return self.timeline.n_rows if self.rows else self.timeline.size

    @cached_property
    def _running(self) -> np.ndarray:
        """`_running[p]`: the hits before position p of their axis."""
        running = np.zeros(self._axis_length + 1, dtype=self.timeline.row_dtype)
        running[self.hits + 1] = 1
        return np.cumsum(running, out=running)

    def rank(self, at: np.ndarray) -> np.ndarray:
        """How many hits lie before each of the timestamps `at`."""
        axis = self.timeline.bounds[at] if self.rows else at
        if len(at) > self._axis_length * DENSE_SHARE:
            return np.asarray(self._running[axis])
        return np.searchsorted(self.hits, axis)

    def count(self, lo: np.ndarray, hi: np.ndarray) -> np.ndarray:
        """Hits in timestamps `lo..hi-1` (0 where the range is empty or reversed)."""
        return np.asarray(np.maximum(self.rank(hi) - self.rank(lo), 0))

    @cached_property
    def _hit_runs(self) -> tuple[np.ndarray, np.ndarray]:
        """The hits' times, and where each subject's hits begin among them."""
        at = self.hit_timestamps[1:-1]
        return self.timeline.micros[at], np.searchsorted(at, self.timeline.offsets)

    def count_between(
        self, subject: np.ndarray, start: np.ndarray, end: np.ndarray, start_after: bool, end_after: bool
    ) -> np.ndarray:
        """Hits of each subject from its first timestamp at or after (strictly after, with
        `start_after`) time `start` up to, not including, its first one at or after
        (strictly after, with `end_after`) time `end`: `count` over the timestamps that
        `Timeline.locate` finds, found by searching among the hits alone."""
        micros, offsets = self._hit_runs
        lo = search.locate(micros, offsets, subject, start, start_after)
        hi = search.locate(micros, offsets, subject, end, end_after)
        return np.asarray(np.maximum(hi - lo, 0))

    def next(self, lo: np.ndarray) -> np.ndarray:
        """The first timestamp at or after each `lo` where the predicate holds (the
        timestamp count when none does)."""
        return np.asarray(self.hit_timestamps[self.rank(lo) + 1])

    def previous(self, hi: np.ndarray) -> np.ndarray:
        """The last timestamp before each `hi` where the predicate holds (-1 when none does)."""
        return np.asarray(self.hit_timestamps[self.rank(hi)])

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


class EveryTimestamp(Marks):
    """Holding once at every timestamp: a timestamp's rank is itself, and the next and
    previous timestamps where it holds are those at hand, so no hit is listed."""

    sparse = False

    def __init__(self, timeline: Timeline) -> None:
        self.timeline = timeline

    def rank(self, at: np.ndarray) -> np.ndarray:
        return at

    def next(self, lo: np.ndarray) -> np.ndarray:
        return lo

    def previous(self, hi: np.ndarray) -> np.ndarray:
        return np.asarray(hi - 1)

    @property
    def timestamps(self) -> np.ndarray:
        return np.arange(self.timeline.size, dtype=np.int64)

    @property
    def present(self) -> np.ndarray:
        return np.ones(self.timeline.size, dtype=bool)
