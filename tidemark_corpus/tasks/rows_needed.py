"""Which rows of a dataset a task's labels can depend on, so that a run reads only those.

A task that never looks at every event (no `_ANY_EVENT`, `_RECORD_START` or
`_RECORD_END`, and no open window boundary that the labels can see) sees the data only
through its plain predicates: a timestamp where none of them holds adds nothing to any
count and is never the next or previous event of a predicate. Its labels are the same
over the rows whose code one of them accepts.

An open boundary stands for the record's start or end. The labels cannot see it when
its window counts nothing, labels nothing, takes no index timestamp from that side and
anchors no other window there, and the window closes both ends on the trigger itself:
the trigger's own timestamp then makes the boundary exist whichever rows are read (only
its time, shown in the window summaries, would change).
"""

import polars as pl

from .config import SPECIAL, DerivedPredicate, PlainPredicate, TaskConfig, Window
from .references import Endpoint


def _unseen_open_side(cfg: TaskConfig, w: Window) -> bool:
    """Whether the window's open boundary is one the labels cannot see (see above)."""
    side, closed = ("start", w.end) if w.start.base is None else ("end", w.start)
    anchors = {x.anchor for x in cfg.windows.values()}
    return (
        not w.has
        and w.label is None
        and w.index_timestamp != side
        and f"{w.name}.{side}" not in anchors
        and w.start_inclusive
        and w.end_inclusive
        and closed == Endpoint("trigger")
    )


def _names_every_event(cfg: TaskConfig) -> bool:
    derived = [p.inputs for p in cfg.predicates.values() if isinstance(p, DerivedPredicate)]
    if cfg.trigger in SPECIAL or any(name in SPECIAL for inputs in derived for name in inputs):
        return True
    for w in cfg.windows.values():
        used = [w.label, w.start.predicate, w.end.predicate, *(name for name, _, _ in w.has)]
        is_open = w.start.base is None or w.end.base is None
        if (is_open and not _unseen_open_side(cfg, w)) or any(name in SPECIAL for name in used):
            return True
    return False


def _accepts(p: PlainPredicate, code: pl.Expr) -> pl.Expr | None:
    """The rows whose code the predicate accepts (None: any code)."""
    if p.code is not None:
        return code == p.code
    if p.regex is not None:
        return code.str.contains(p.regex)
    if p.any is not None:
        return code.is_in(list(p.any))
    return None


def rows_needed(cfg: TaskConfig, code: str = "code") -> pl.Expr | None:
    """A polars filter on the code column keeping every row the task's labels depend on
    (its window summaries may differ), or None when they depend on every row."""
    if _names_every_event(cfg):
        return None
    accepted = []
    for p in cfg.predicates.values():
        if isinstance(p, PlainPredicate):
            test = _accepts(p, pl.col(code))
            if test is None:
                return None
            accepted.append(test)
    return pl.any_horizontal(accepted) if accepted else pl.lit(False)
