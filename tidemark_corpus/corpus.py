"""`Corpus`: a coded event corpus, one event stream per subject, as flat NumPy arrays."""

from collections.abc import Sequence
from pathlib import Path
from typing import Any

import numpy as np
import polars as pl
import pyarrow as pa

from . import _native, ops, store
from .checks import check_arrays
from .durations import UNIT_MICROSECONDS, check_unit
from .frames import Layout, code_table, to_arrow, to_epoch
from .meds import empty_code_metadata, read_code_metadata, read_metadata, read_shards, shard_files


def _token_ids(vocab_ids: np.ndarray, code_index: np.ndarray) -> np.ndarray:
    """`vocab_ids[code_index]`; the code indices themselves, without a copy, when the
    vocabulary's ids are 0, 1, 2, ... (a process that interned it first)."""
    if np.array_equal(vocab_ids, np.arange(len(vocab_ids), dtype=np.uint32)):
        return code_index.view(np.uint32)
    mapped: np.ndarray = vocab_ids[code_index]
    return mapped


class Corpus:
    """Subjects' event streams coded for tidemark.

    Subject i's events are rows `offsets[i]:offsets[i + 1]` of `times` (float64 on the
    axis `(time - epoch) / unit`), `values` (float64, NaN where absent), `code_index`
    (int32 into `vocabulary`) and `token_ids` (uint32, this process's tidemark ids).
    Rows are ordered by time within a subject; rows of one subject at one time keep
    the input's order. Static rows (no time) are kept apart in `static_offsets`,
    `static_code_index` and `static_values`. `columns` holds further input columns
    read on request, aligned with the events. `metadata` is the dataset's description
    and `code_metadata` its table of codes (`code`, `description`, `parent_codes`), empty
    when the dataset has none.
    """

    subject_ids: np.ndarray
    offsets: np.ndarray
    times: np.ndarray
    values: np.ndarray
    code_index: np.ndarray
    vocabulary: list[str]
    token_ids: np.ndarray
    static_offsets: np.ndarray
    static_code_index: np.ndarray
    static_values: np.ndarray
    columns: dict[str, pa.Array]
    unit: str
    epoch: np.datetime64
    metadata: dict[str, Any]
    code_metadata: pl.DataFrame

    def __init__(
        self,
        *,
        subject_ids: np.ndarray,
        offsets: np.ndarray,
        times: np.ndarray,
        values: np.ndarray,
        code_index: np.ndarray,
        vocabulary: list[str],
        static_offsets: np.ndarray,
        static_code_index: np.ndarray,
        static_values: np.ndarray,
        columns: dict[str, pa.Array] | None = None,
        unit: str = "h",
        epoch: np.datetime64 | None = None,
        metadata: dict[str, Any] | None = None,
        code_metadata: pl.DataFrame | None = None,
        source: str = "Corpus",
    ) -> None:
        check_unit(unit)
        arrays = {
            "subject_ids": subject_ids,
            "offsets": offsets,
            "times": times,
            "values": values,
            "code_index": code_index,
            "static_offsets": static_offsets,
            "static_code_index": static_code_index,
            "static_values": static_values,
        }
        check_arrays(source, arrays, len(vocabulary))
        self.subject_ids = subject_ids
        self.offsets = offsets
        self.times = times
        self.values = values
        self.code_index = code_index
        self.vocabulary = list(vocabulary)
        self.static_offsets = static_offsets
        self.static_code_index = static_code_index
        self.static_values = static_values
        self.columns = dict(columns or {})
        self.unit = unit
        self.epoch = to_epoch(epoch)
        self.metadata = dict(metadata or {})
        self.code_metadata = empty_code_metadata() if code_metadata is None else code_metadata
        self.token_ids = _token_ids(_native.vocab_ids(self.vocabulary), code_index)

    @classmethod
    def from_frame(
        cls,
        frame: Any,
        subject: str = "subject_id",
        time: str = "time",
        code: str = "code",
        value: str | None = "numeric_value",
        *,
        unit: str = "h",
        epoch: Any = None,
        columns: Sequence[str] = (),
    ) -> "Corpus":
        """A corpus from a polars or pandas DataFrame or an Arrow table.

        Times are datetimes (placed on the axis `(time - epoch) / unit`; the epoch is
        1970-01-01 unless given; time-zone-aware ones by their UTC instant, coming
        back as naive UTC) or numbers already in `unit`; a null time marks a static
        row. Times finer than a microsecond are refused. `value=None` reads no values.
        `columns` names further columns to keep, aligned with the events.
        """
        layout = Layout(subject, time, code, value, unit, to_epoch(epoch), tuple(columns))
        return cls(**code_table(to_arrow(frame), layout))

    @classmethod
    def from_meds(
        cls,
        path: str | Path,
        *,
        unit: str = "h",
        epoch: Any = None,
        columns: Sequence[str] = (),
        codes: Sequence[str] | None = None,
        rows: pl.Expr | None = None,
        progress: bool = False,
    ) -> "Corpus":
        """A corpus from a MEDS dataset folder (`data/**/*.parquet`, any shard layout).

        Only the columns needed are read: `subject_id`, `time`, `code`,
        `numeric_value` and `columns`. With `codes`, only rows with one of these codes
        are read and coded: enough for a query whose result depends on no other
        events (see `tidemark_corpus.ops`). `rows`, a polars expression over the
        shards' columns, likewise keeps only the rows for which it holds (with `codes`,
        those that pass both); rows with a null code are read whatever the filter, so
        that they are refused. `metadata/dataset.json` is kept in
        `metadata` and `metadata/codes.parquet` in `code_metadata` when present.
        `progress=True` shows a bar over the shards.
        """
        layout = Layout(unit=unit, epoch=to_epoch(epoch), extra=tuple(columns))
        if codes is not None:
            named = pl.col(layout.code).is_in(list(codes))
            rows = named if rows is None else named & rows
        table, origin = read_shards(shard_files(path), layout, rows, progress)
        return cls(
            **code_table(table, layout, origin),
            metadata=read_metadata(path),
            code_metadata=read_code_metadata(path),
        )

    @classmethod
    def open(cls, path: str | Path) -> "Corpus":
        """A corpus saved by `save`, its arrays memory-mapped; token ids are mapped
        from the stored code texts in this process."""
        return cls(**store.load(path), source=str(path))

    def save(self, path: str | Path, overwrite: bool = False) -> None:
        """Write the corpus to the folder `path` (see `Corpus.open`)."""
        store.save(self, path, overwrite)

    @property
    def n_subjects(self) -> int:
        return len(self.subject_ids)

    @property
    def n_events(self) -> int:
        return len(self.times)

    def slice(self, start: int | None = None, stop: int | None = None) -> "Corpus":
        """Subjects `start:stop` (positions in `subject_ids`, as a Python slice takes
        them: negative from the end, clipped to the corpus) as a corpus of their own.

        Its arrays are views of this corpus's (a memory-mapped corpus stays mapped), so
        cutting a large corpus into parts to run on several workers copies nothing.
        """
        lo, hi, _ = slice(start, stop).indices(self.n_subjects)
        hi = max(lo, hi)
        rows, static = self.offsets[[lo, hi]], self.static_offsets[[lo, hi]]
        return Corpus(
            subject_ids=self.subject_ids[lo:hi],
            offsets=self.offsets[lo : hi + 1] - rows[0],
            times=self.times[rows[0] : rows[1]],
            values=self.values[rows[0] : rows[1]],
            code_index=self.code_index[rows[0] : rows[1]],
            vocabulary=self.vocabulary,
            static_offsets=self.static_offsets[lo : hi + 1] - static[0],
            static_code_index=self.static_code_index[static[0] : static[1]],
            static_values=self.static_values[static[0] : static[1]],
            columns={k: v[rows[0] : rows[1]] for k, v in self.columns.items()},
            unit=self.unit,
            epoch=self.epoch,
            metadata=self.metadata,
            code_metadata=self.code_metadata,
        )

    def to_datetime(self, t: Any) -> np.ndarray:
        """Times on the corpus axis back to `datetime64[us]`, rounded to the microsecond."""
        micros = np.rint(np.asarray(t, dtype=np.float64) * UNIT_MICROSECONDS[self.unit]).astype(np.int64)
        stamps: np.ndarray = self.epoch + micros.astype("timedelta64[us]")
        return stamps

    def event_subjects(self) -> np.ndarray:
        """The subject id of every event row."""
        return np.repeat(self.subject_ids, np.diff(self.offsets))

    def events(self) -> pl.DataFrame:
        """The events as a table: `subject_id`, `time` (datetime), `code`, `numeric_value`."""
        codes = pl.Series("code", self.vocabulary, dtype=pl.String)
        return pl.DataFrame(
            {
                "subject_id": self.event_subjects(),
                "time": self.to_datetime(self.times),
                "code": codes.gather(self.code_index),
                "numeric_value": self.values,
            }
        )

    def match(self, query: Any, first_only: bool = False, progress: bool = False) -> pl.DataFrame:
        """Every match (or each subject's first) of a `TideQuery` or `Pattern`; see `ops.match`."""
        return ops.match(self, query, first_only, progress)

    def count(self, query: Any, progress: bool = False) -> pl.DataFrame:
        """The number of matches of a `TideQuery` or `Pattern` per subject; see `ops.count`."""
        return ops.count(self, query, progress)

    def annotate(self, specs: Sequence[Any], progress: bool = False) -> pl.DataFrame:
        """Label columns of `AnnotationSpec`s, one row per event; see `ops.annotate`."""
        return ops.annotate(self, list(specs), progress)

    def state_spans(self, machine: Any, include_invalid: bool = True, progress: bool = False) -> pl.DataFrame:
        """The state instances of a `StateMachine` run per subject; see `ops.state_spans`."""
        return ops.state_spans(self, machine, include_invalid, progress)

    def __repr__(self) -> str:
        return (
            f"Corpus({self.n_subjects} subjects, {self.n_events} events, {len(self.vocabulary)} codes, "
            f"unit={self.unit!r}, epoch={self.epoch})"
        )
