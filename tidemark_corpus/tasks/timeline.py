"""The corpus collapsed to one row per (subject, timestamp) on an exact axis of integer
microseconds, and the whole-corpus searches that windows need on it."""

from functools import cached_property
from typing import TYPE_CHECKING

import numpy as np

from ..durations import UNIT_MICROSECONDS
from . import search

if TYPE_CHECKING:
    from ..corpus import Corpus

# A question asked for more than this share of the rows or timestamps at once is answered
# from a table over all of them, built once; fewer are binary searches.
DENSE_SHARE = 1 / 32


class Timeline:
    """Timestamp k holds rows `bounds[k]:bounds[k + 1]` and has time `micros[k]`; subject
    i's timestamps are `offsets[i]:offsets[i + 1]`."""

    def __init__(self, bounds: np.ndarray, micros: np.ndarray, offsets: np.ndarray) -> None:
        self.bounds = bounds
        self.micros = micros
        self.offsets = offsets

    @classmethod
    def of(cls, corpus: "Corpus") -> "Timeline":
        times, scale = np.asarray(corpus.times, dtype=np.float64), UNIT_MICROSECONDS[corpus.unit]
        micros = np.rint(times * scale if scale != 1 else times).astype(np.int64)
        starts, ts_offsets = search.collapse_times(micros, np.asarray(corpus.offsets, dtype=np.int64))
        return cls(np.append(starts, len(micros)), micros[starts], ts_offsets)

    @property
    def size(self) -> int:
        return len(self.micros)

    @property
    def n_rows(self) -> int:
        return int(self.bounds[-1])

    @cached_property
    def row_dtype(self) -> type[np.signedinteger]:
        """The narrowest integer type that counts rows and timestamps."""
        return np.int32 if self.n_rows < 2**31 - 1 else np.int64

    @cached_property
    def _row_timestamp(self) -> np.ndarray:
        # A running count of the timestamps begun after the first row.
        owner = np.zeros(self.n_rows, dtype=self.row_dtype)
        owner[self.bounds[1:-1]] = 1
        return np.cumsum(owner, out=owner)

    @cached_property
    def subject(self) -> np.ndarray:
        """The subject index of each timestamp (int64, as the native searches read it)."""
        return np.repeat(np.arange(len(self.offsets) - 1, dtype=np.int64), np.diff(self.offsets))

    def timestamp_of(self, rows: np.ndarray) -> np.ndarray:
        """The timestamp index of each of `rows`."""
        if len(rows) > self.n_rows * DENSE_SHARE:
            return np.asarray(self._row_timestamp[rows])
        return np.searchsorted(self.bounds, rows, side="right") - 1

    def subject_of(self, timestamps: np.ndarray) -> np.ndarray:
        """The subject index of each of `timestamps`."""
        if len(timestamps) > self.size * DENSE_SHARE:
            return np.asarray(self.subject[timestamps])
        return np.searchsorted(self.offsets, timestamps, side="right") - 1

    def locate(self, subject: np.ndarray, micros: np.ndarray, after: bool) -> np.ndarray:
        """For each (subject, time): the first of the subject's timestamps at or after the
        time (`after=False`) or strictly after it (`after=True`), as a global index that is
        the subject's end when there is none."""
        return search.locate(self.micros, self.offsets, subject, micros, after)
