"""Which rows of a dataset a task's labels can depend on, so that a run reads only those.

A task that never looks at every event (no `_ANY_EVENT`, `_RECORD_START`, `_RECORD_END`
and no open window boundary, which stands for the record's start or end) sees the data
only through its plain predicates: a timestamp where none of them holds adds nothing to
any count and is never the next or previous event of a predicate. Its answer is the same
over the rows whose code one of them accepts."""

import polars as pl

from .config import SPECIAL, DerivedPredicate, PlainPredicate, TaskConfig


def _names_every_event(cfg: TaskConfig) -> bool:
    derived = [p.inputs for p in cfg.predicates.values() if isinstance(p, DerivedPredicate)]
    if cfg.trigger in SPECIAL or any(name in SPECIAL for inputs in derived for name in inputs):
        return True
    for w in cfg.windows.values():
        used = [w.label, w.start.predicate, w.end.predicate, *(name for name, _, _ in w.has)]
        if w.start.base is None or w.end.base is None or any(name in SPECIAL for name in used):
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
    """A polars filter on the code column keeping every row the task's answer depends on,
    or None when it depends on every row."""
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
