"""The corpus collapsed to one row per (subject, timestamp) on an exact axis of integer
microseconds, and the whole-corpus searches that windows need on it."""

from dataclasses import dataclass
from typing import TYPE_CHECKING

import numpy as np

from ..durations import UNIT_MICROSECONDS
from . import search

if TYPE_CHECKING:
    from ..corpus import Corpus


@dataclass(frozen=True)
class Timeline:
    """`starts[k]` is the first event row of timestamp k, `micros[k]` its time, `subject[k]`
    its subject's index; subject i's timestamps are `offsets[i]:offsets[i + 1]`."""

    starts: np.ndarray
    micros: np.ndarray
    subject: np.ndarray
    offsets: np.ndarray

    @property
    def size(self) -> int:
        return len(self.micros)

    @classmethod
    def of(cls, corpus: "Corpus") -> "Timeline":
        micros = np.rint(np.asarray(corpus.times, dtype=np.float64) * UNIT_MICROSECONDS[corpus.unit]).astype(np.int64)
        offsets = np.asarray(corpus.offsets, dtype=np.int64)
        starts, ts_offsets = search.collapse_times(micros, offsets)
        subject = np.repeat(np.arange(len(offsets) - 1, dtype=np.int64), np.diff(ts_offsets))
        return cls(starts, micros[starts], subject, ts_offsets)

    def count(self, row_mask: np.ndarray) -> np.ndarray:
        """How many rows of each timestamp are set in `row_mask` (int64)."""
        if self.size == 0:
            return np.zeros(0, dtype=np.int64)
        # Timestamps are runs of one or more consecutive rows: one summing pass.
        return np.add.reduceat(row_mask, self.starts, dtype=np.int64)

    def locate(self, subject: np.ndarray, micros: np.ndarray, after: bool) -> np.ndarray:
        """For each (subject, time): the first of the subject's timestamps at or after the
        time (`after=False`) or strictly after it (`after=True`), as a global index that is
        the subject's end when there is none."""
        return search.locate(self.micros, self.offsets, subject, micros, after)
