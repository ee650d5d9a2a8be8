"""Realizing the window tree for every trigger of the corpus at once.

Every boundary of a window is a fixed offset from, or the next or previous event of a
predicate relative to, another boundary, so each trigger has at most one realization:
the boundaries are computed in tree order as arrays over all triggers, and a trigger
is invalid as soon as a boundary has no event or a window breaks a `has` constraint.
"""

from dataclasses import dataclass, field
from typing import TYPE_CHECKING

import numpy as np

from .config import RECORD_END, RECORD_START, TaskConfig, Window
from .predicates import PredicateMarks
from .references import Endpoint
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


@dataclass(frozen=True)
class _Node:
    """A boundary's time for each row, and its timestamp index where the time is known to
    be a timestamp's own (the trigger, an event found by `->` or `<-`, or either moved
    by nothing), which spares a search for it. `located` keeps the searches made for it
    (by `after`), which windows sharing the boundary reuse."""

    time: np.ndarray
    index: np.ndarray | None = None
    located: dict[bool, np.ndarray] = field(default_factory=dict)

    def select(self, keep: np.ndarray) -> "_Node":
        index = None if self.index is None else self.index[keep]
        return _Node(self.time[keep], index, {after: at[keep] for after, at in self.located.items()})


# Dropped triggers are left out once fewer than this share of the rows are alive.
_COMPACT_SHARE = 0.5


@dataclass
class _Rows:
    """The triggers being realized: each one's subject, the boundaries so far, which are
    still valid, and the label count once computed."""

    subject: np.ndarray
    nodes: dict[str, _Node]
    alive: np.ndarray
    label: np.ndarray | None = None

    def compact(self, wanted: list[str] | None = None) -> "_Rows":
        """The valid triggers alone, with the boundaries `wanted` (all by default)."""
        nodes = self.nodes if wanted is None else {k: self.nodes[k] for k in wanted}
        if self.alive.all():
            return _Rows(self.subject, nodes, self.alive, self.label)
        keep = np.flatnonzero(self.alive)
        label = None if self.label is None else self.label[keep]
        nodes = {k: v.select(keep) for k, v in nodes.items()}
        return _Rows(self.subject[keep], nodes, np.ones(len(keep), dtype=bool), label)


class _Realizer:
    def __init__(self, cfg: TaskConfig, corpus: "Corpus", wanted: list[str] | None) -> None:
        self.cfg = cfg
        self.wanted = wanted
        self.tl = Timeline.of(corpus)
        self.marks = PredicateMarks(cfg, corpus, self.tl)

    def locate(self, subject: np.ndarray, node: _Node, after: bool) -> np.ndarray:
        """The first of the subject's timestamps at or after (strictly after, with `after`)
        the node's time; the next timestamp of a subject is always strictly later."""
        if node.index is not None:
            return node.index + 1 if after else node.index
        if after not in node.located:
            node.located[after] = self.tl.locate(subject, node.time, after)
        return node.located[after]

    @staticmethod
    def known(node: _Node, after: bool) -> bool:
        """Whether `locate` finds the node's timestamps without searching the timeline."""
        return node.index is not None or after in node.located

    def triggers(self) -> tuple[np.ndarray, _Node]:
        at = self.marks(self.cfg.trigger).timestamps
        subject = self.tl.subject_of(at)
        for name in self.cfg.demographics:
            keep = (self.marks.subject_count(name) > 0)[subject]
            at, subject = at[keep], subject[keep]
        return subject, _Node(self.tl.micros[at], at)

    def boundary(self, e: Endpoint, w: Window, subject: np.ndarray, origin: _Node) -> tuple[_Node, np.ndarray | None]:
        """The boundary for each row and whether it exists (None: a fixed offset, which
        always exists). The next (previous) event of a predicate is searched after
        (before) the origin; the origin's own timestamp counts only when it is the
        window's other boundary and the window includes both ends, so that it is a
        one-point window."""
        if e.arrow is None:
            return (origin if e.offset == 0 else _Node(origin.time + e.offset)), None
        tl = self.tl
        itself = not e.external and w.start_inclusive and w.end_inclusive
        at = self.locate(subject, origin, after=not itself if e.arrow == "->" else itself)
        if e.predicate in (RECORD_START, RECORD_END):
            # A record's first or last timestamp is known without a search.
            found = tl.offsets[subject] if e.predicate == RECORD_START else tl.offsets[subject + 1] - 1
            ok = at <= found if e.arrow == "->" else at > found
        elif e.arrow == "->":
            found = self.marks(str(e.predicate)).next(at)
            ok = found < tl.offsets[subject + 1]
        else:
            found = self.marks(str(e.predicate)).previous(at)
            ok = found >= tl.offsets[subject]
        # Rows without the event keep an index inside the timeline; they are dropped.
        found = np.clip(found, 0, max(tl.size - 1, 0))
        return _Node(tl.micros[found], found), ok

    def window(self, w: Window, rows: _Rows) -> None:
        """Realizes window `w` for `rows`: its boundaries, its constraints and its label."""
        start_e = w.start if w.start.base is not None else Endpoint("end", arrow="<-", predicate=RECORD_START)
        end_e = w.end if w.end.base is not None else Endpoint("start", arrow="->", predicate=RECORD_END)
        root, other = (start_e, end_e) if w.root == "start" else (end_e, start_e)
        root_n, root_ok = self.boundary(root, w, rows.subject, rows.nodes[str(root.base)])
        other_n, other_ok = self.boundary(other, w, rows.subject, root_n)
        for ok in (root_ok, other_ok):
            if ok is not None:
                rows.alive &= ok
        start_n, end_n = (root_n, other_n) if w.root == "start" else (other_n, root_n)
        rows.nodes[f"{w.name}.start"], rows.nodes[f"{w.name}.end"] = start_n, end_n
        counted = {pred for pred, _, _ in w.has} | ({w.label} if w.label is not None else set())
        if not counted:
            return
        start_after, end_after = not w.start_inclusive, w.end_inclusive
        searched = not (self.known(start_n, start_after) and self.known(end_n, end_after))
        one = self.marks(next(iter(counted)))
        if searched and len(counted) == 1 and one.sparse:
            # One predicate counted over ends still to find on the timeline: its hits,
            # fewer than the timestamps, are searched instead.
            n = one.count_between(rows.subject, start_n.time, end_n.time, start_after, end_after)
            counts = dict.fromkeys(counted, n)
        else:
            # The window's timestamps, shared by every count over it.
            lo = self.locate(rows.subject, start_n, after=start_after)
            hi = self.locate(rows.subject, end_n, after=end_after)
            counts = {pred: self.marks(pred).count(lo, hi) for pred in counted}
        for pred, low, high in w.has:
            if low is not None:
                rows.alive &= counts[pred] >= low
            if high is not None:
                rows.alive &= counts[pred] <= high
        if w.label is not None:
            rows.label = counts[w.label]

    def run(self) -> Realized:
        subject, trigger = self.triggers()
        rows = _Rows(subject, {"trigger": trigger}, np.ones(len(subject), dtype=bool))
        for w in _tree_order(self.cfg.windows):
            self.window(w, rows)
            # Dropped triggers ride along (their values are never read) until they are
            # many enough that leaving them out pays for the copies.
            if np.count_nonzero(rows.alive) < len(rows.alive) * _COMPACT_SHARE:
                rows = rows.compact()
        rows = rows.compact(self.wanted)
        return Realized(rows.subject, {k: v.time for k, v in rows.nodes.items()}, rows.label)


def realize(cfg: TaskConfig, corpus: "Corpus", wanted: list[str] | None = None) -> Realized:
    """The valid triggers of `cfg` in `corpus` with their label and the boundaries named in
    `wanted` (all by default)."""
    return _Realizer(cfg, corpus, wanted).run()
