"""Where each predicate holds, computed over the whole corpus at once: code tests run over
the vocabulary, value and column tests over the rows whose code passed."""

from functools import cached_property
from typing import TYPE_CHECKING

import numpy as np
import polars as pl
import pyarrow as pa

from .config import ANY_EVENT, RECORD_END, RECORD_START, DerivedPredicate, PlainPredicate, TaskConfig
from .errors import TaskFileError
from .marks import EveryTimestamp, Marks
from .timeline import Timeline

if TYPE_CHECKING:
    from ..corpus import Corpus


def _value_test(p: PlainPredicate, values: np.ndarray, mask: np.ndarray) -> None:
    """Narrows `mask` to rows whose value lies in the predicate's range (absent values fail)."""
    if p.value_min is not None:
        mask &= (values >= p.value_min) if p.value_min_inclusive else (values > p.value_min)
    if p.value_max is not None:
        mask &= (values <= p.value_max) if p.value_max_inclusive else (values < p.value_max)


class PredicateMarks:
    """Where each predicate holds (`Marks`), each computed once on first use."""

    def __init__(self, cfg: TaskConfig, corpus: "Corpus", timeline: Timeline) -> None:
        self.cfg = cfg
        self.corpus = corpus
        self.timeline = timeline
        self._cache: dict[str, Marks] = {}
        self._by_code: dict[tuple[str | None, str | None, tuple[str, ...] | None], np.ndarray] = {}

    def __call__(self, name: str) -> Marks:
        if name not in self._cache:
            self._cache[name] = self._compute(name)
        return self._cache[name]

    @cached_property
    def _code_ids(self) -> dict[str, int]:
        return {code: i for i, code in enumerate(self.corpus.vocabulary)}

    def _accepted(self, p: PlainPredicate) -> np.ndarray:
        """Which vocabulary entries the predicate's code part accepts (a regex is searched
        for anywhere in the code)."""
        vocabulary = self.corpus.vocabulary
        if p.regex is not None:
            return np.asarray(
                pl.Series("code", vocabulary, dtype=pl.String).str.contains(p.regex).fill_null(False).to_numpy()
            )
        wanted = (p.code,) if p.code is not None else p.any
        if wanted is None:
            return np.ones(len(vocabulary), dtype=bool)
        table = np.zeros(len(vocabulary), dtype=bool)
        table[[self._code_ids[code] for code in wanted if code in self._code_ids]] = True
        return table

    def subject_count(self, name: str) -> np.ndarray:
        """A patient_demographics predicate's count over each subject's static rows."""
        p = self.cfg.predicates[name]
        assert isinstance(p, PlainPredicate)
        c = self.corpus
        mask = self._accepted(p)[np.asarray(c.static_code_index)]
        _value_test(p, np.asarray(c.static_values), mask)
        if p.other_cols:
            raise TaskFileError(self.cfg.source, f"patient_demographics.{name}.other_cols", "not supported")
        acc = np.concatenate([[0], np.cumsum(mask, dtype=np.int64)])
        offsets = np.asarray(c.static_offsets)
        return np.asarray(acc[offsets[1:]] - acc[offsets[:-1]])

    def _compute(self, name: str) -> Marks:
        tl = self.timeline
        if name == ANY_EVENT:
            # Every timestamp counts once, however many rows it has.
            return EveryTimestamp(tl)
        if name in (RECORD_START, RECORD_END):
            first, end = tl.offsets[:-1], tl.offsets[1:]
            return Marks.at(tl, (first if name == RECORD_START else end - 1)[end > first])
        p = self.cfg.predicates[name]
        if isinstance(p, DerivedPredicate):
            present = [self._present(x) for x in p.inputs]
            combined = np.logical_and.reduce(present) if p.op == "and" else np.logical_or.reduce(present)
            return Marks.at(tl, np.flatnonzero(combined))
        return Marks.of_rows(tl, self._rows(name, p))

    def _present(self, name: str) -> np.ndarray:
        """Is the predicate present at each timestamp; a subject's static predicate holds at
        all of its timestamps."""
        p = self.cfg.predicates.get(name)
        if isinstance(p, PlainPredicate) and p.static:
            return np.asarray((self.subject_count(name) > 0)[self.timeline.subject])
        return self(name).present

    def _code_rows(self, p: PlainPredicate) -> np.ndarray:
        """The rows whose code the predicate accepts, shared by the predicates that test
        the same codes."""
        key = (p.code, p.regex, p.any)
        if key not in self._by_code:
            table = self._accepted(p)
            codes = np.flatnonzero(table)
            code_index = np.asarray(self.corpus.code_index)
            # One accepted code is one comparison per row; more are a lookup per row.
            hit = code_index == int(codes[0]) if len(codes) == 1 else table.take(code_index)
            self._by_code[key] = np.flatnonzero(hit)
        return self._by_code[key]

    def _rows(self, name: str, p: PlainPredicate) -> np.ndarray:
        """The rows where the plain predicate holds, in order: the code test picks them,
        the value and column tests then look at those alone."""
        c = self.corpus
        rows = self._code_rows(p)
        keep = np.ones(len(rows), dtype=bool)
        if p.value_min is not None or p.value_max is not None:
            _value_test(p, np.asarray(c.values)[rows], keep)
        for column, wanted in p.other_cols:
            if column not in c.columns:
                raise TaskFileError(
                    self.cfg.source,
                    f"predicates.{name}.other_cols.{column}",
                    "the data has no such column (read it with the corpus's columns)",
                )
            data = c.columns[column]
            import pyarrow.compute as pc  # on first use: its import builds the docs of every Arrow function

            hit = pc.equal(data, pa.scalar(wanted).cast(data.type, safe=False))
            keep &= hit.fill_null(False).to_numpy(zero_copy_only=False)[rows]
        return np.asarray(rows[keep])
