"""Realizing the window tree for every trigger of the corpus at once.

Every boundary of a window is a fixed offset from, or the next or previous event of a
predicate relative to, another boundary, so each trigger has at most one realization:
the boundaries are computed in tree order as arrays over all triggers, and a trigger
is dropped as soon as a boundary has no event or a window breaks a `has` constraint.
"""

from dataclasses import dataclass
from typing import TYPE_CHECKING

import numpy as np

from .config import RECORD_END, RECORD_START, TaskConfig, Window
from .predicates import PredicateCounts
from .references import Endpoint
from .search import next_marked, previous_marked
from .timeline import Timeline

if TYPE_CHECKING:
    from ..corpus import Corpus


@dataclass
class Realized:
    """One row per valid trigger: `subject` (index into the corpus's subjects), boundary
    times (integer microseconds) by node name ("trigger", "<window>.start",
    "<window>.end"), and the label count when the task has a label."""

    subject: np.ndarray
    times: dict[str, np.ndarray]
    label: np.ndarray | None


def _tree_order(windows: dict[str, Window]) -> list[Window]:
    """Windows ordered so that each comes after the window its root refers to."""
    done: list[Window] = []
    placed: set[str] = set()

    def place(w: Window) -> None:
        if w.name in placed:
            return
        if w.anchor != "trigger":
            place(windows[w.anchor.split(".")[0]])
        placed.add(w.name)
        done.append(w)

    for w in windows.values():
        place(w)
    return done


class _Realizer:
    def __init__(self, cfg: TaskConfig, corpus: "Corpus") -> None:
        self.cfg = cfg
        self.tl = Timeline.of(corpus)
        self.counts = PredicateCounts(cfg, corpus, self.tl)
        self._cumulative: dict[str, np.ndarray] = {}
        self._next: dict[str, np.ndarray] = {}
        self._previous: dict[str, np.ndarray] = {}

    def cumulative(self, name: str) -> np.ndarray:
        if name not in self._cumulative:
            counts = self.counts(name)
            acc = np.zeros(len(counts) + 1, dtype=np.int64)
            np.cumsum(counts, out=acc[1:])
            self._cumulative[name] = acc
        return self._cumulative[name]

    def next_of(self, name: str) -> np.ndarray:
        if name not in self._next:
            self._next[name] = next_marked(self.counts(name) > 0)
        return self._next[name]

    def previous_of(self, name: str) -> np.ndarray:
        if name not in self._previous:
            self._previous[name] = previous_marked(self.counts(name) > 0)
        return self._previous[name]

    def triggers(self) -> tuple[np.ndarray, np.ndarray]:
        rows = np.flatnonzero(self.counts(self.cfg.trigger) > 0)
        subject = self.tl.subject[rows]
        for name in self.cfg.demographics:
            rows_ok = (self.counts.subject_count(name) > 0)[subject]
            rows, subject = rows[rows_ok], subject[rows_ok]
        return subject, self.tl.micros[rows]

    def boundary(
        self, e: Endpoint, w: Window, subject: np.ndarray, origin: np.ndarray
    ) -> tuple[np.ndarray, np.ndarray]:
        """The boundary's time for each row and whether it exists. A fixed offset always
        exists. The next (previous) event of a predicate is searched after (before) the
        origin; the origin's own timestamp counts only when it is the window's other
        boundary and the window includes both ends, so that it is a one-point window."""
        if e.arrow is None:
            return origin + e.offset, np.ones(len(origin), dtype=bool)
        tl, predicate = self.tl, str(e.predicate)
        itself = not e.external and w.start_inclusive and w.end_inclusive
        if e.arrow == "->":
            lo = tl.locate(subject, origin, after=not itself)
            found = self.next_of(predicate)[lo]
            ok = found < tl.offsets[subject + 1]
        else:
            hi = tl.locate(subject, origin, after=itself)
            found = np.where(hi > 0, self.previous_of(predicate)[np.maximum(hi - 1, 0)], -1)
            ok = found >= tl.offsets[subject]
        return tl.micros[np.clip(found, 0, max(tl.size - 1, 0))] if tl.size else origin, ok

    def window_counts(
        self, name: str, w: Window, subject: np.ndarray, start: np.ndarray, end: np.ndarray
    ) -> np.ndarray:
        lo = self.tl.locate(subject, start, after=not w.start_inclusive)
        hi = self.tl.locate(subject, end, after=w.end_inclusive)
        acc = self.cumulative(name)
        return np.asarray(np.maximum(acc[hi] - acc[lo], 0))

    def run(self) -> Realized:
        subject, trigger = self.triggers()
        times = {"trigger": trigger}
        label = None
        for w in _tree_order(self.cfg.windows):
            start_e = w.start if w.start.base is not None else Endpoint("end", arrow="<-", predicate=RECORD_START)
            end_e = w.end if w.end.base is not None else Endpoint("start", arrow="->", predicate=RECORD_END)
            root, other = (start_e, end_e) if w.root == "start" else (end_e, start_e)
            root_t, ok = self.boundary(root, w, subject, times[str(root.base)])
            other_t, ok2 = self.boundary(other, w, subject, root_t)
            ok &= ok2
            start_t, end_t = (root_t, other_t) if w.root == "start" else (other_t, root_t)
            for pred, low, high in w.has:
                n = self.window_counts(pred, w, subject, start_t, end_t)
                if low is not None:
                    ok &= n >= low
                if high is not None:
                    ok &= n <= high
            times[f"{w.name}.start"], times[f"{w.name}.end"] = start_t, end_t
            subject = subject[ok]
            times = {k: v[ok] for k, v in times.items()}
            if label is not None:
                label = label[ok]
            if w.label is not None:
                label = self.window_counts(w.label, w, subject, times[f"{w.name}.start"], times[f"{w.name}.end"])
        return Realized(subject, times, label)


def realize(cfg: TaskConfig, corpus: "Corpus") -> Realized:
    """The valid triggers of `cfg` in `corpus` with their window boundaries and label."""
    return _Realizer(cfg, corpus).run()
