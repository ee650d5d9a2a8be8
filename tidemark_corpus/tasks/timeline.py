"""The corpus collapsed to one row per (subject, timestamp) on an exact axis of integer
microseconds, and the whole-corpus searches that windows need on it."""

from dataclasses import dataclass

import numpy as np

from ..durations import UNIT_MICROSECONDS
from . import search


@dataclass(frozen=True)
class Timeline:
    """`starts[k]` is the first event row of timestamp k, `micros[k]` its time, `subject[k]`
    its subject's index; subject i's timestamps are `offsets[i]:offsets[i + 1]`."""

    starts: np.ndarray
    ends: np.ndarray
    micros: np.ndarray
    subject: np.ndarray
    offsets: np.ndarray

    @property
    def size(self) -> int:
        return len(self.micros)

    @classmethod
    def of(cls, corpus) -> "Timeline":
        micros = np.rint(np.asarray(corpus.times, dtype=np.float64) * UNIT_MICROSECONDS[corpus.unit]).astype(np.int64)
        offsets = np.asarray(corpus.offsets, dtype=np.int64)
        starts, ends, ts_offsets = search.collapse_times(micros, offsets)
        subject = np.repeat(np.arange(len(offsets) - 1, dtype=np.int64), np.diff(ts_offsets))
        return cls(starts, ends, micros[starts], subject, ts_offsets)

    def count(self, row_mask: np.ndarray) -> np.ndarray:
        """How many rows of each timestamp are set in `row_mask` (int64)."""
        acc = np.concatenate([[0], np.cumsum(row_mask, dtype=np.int64)])
        return acc[self.ends] - acc[self.starts]

    def locate(self, subject: np.ndarray, micros: np.ndarray, after: bool) -> np.ndarray:
        """For each (subject, time): the first of the subject's timestamps at or after the
        time (`after=False`) or strictly after it (`after=True`), as a global index that is
        the subject's end when there is none."""
        return search.locate(self.micros, self.offsets, subject, micros, after)
