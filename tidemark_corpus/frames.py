"""Coding an event table (Arrow, polars or pandas) into the flat arrays of a corpus."""

from dataclasses import dataclass
from typing import Any

import numpy as np
import polars as pl
import pyarrow as pa

from .arrow_numpy import first_null, nulls, stored
from .durations import check_unit
from .ordering import distinct_sorted, is_ordered, stable_order
from .rows import RowOrigin

UNIX_EPOCH = np.datetime64(0, "us")


@dataclass(frozen=True)
class Layout:
    """Which columns of the input hold the subject, time, code and value, and the time axis."""

    subject: str = "subject_id"
    time: str = "time"
    code: str = "code"
    value: str | None = "numeric_value"
    unit: str = "h"
    epoch: np.datetime64 = UNIX_EPOCH
    extra: tuple[str, ...] = ()


def to_epoch(epoch: Any) -> np.datetime64:
    """The corpus epoch as `datetime64[us]` (the Unix epoch when None)."""
    if epoch is None:
        return UNIX_EPOCH
    try:
        value = np.datetime64(epoch, "us")
    except (TypeError, ValueError) as exc:
        raise ValueError(f"epoch: expected a date or datetime, got {epoch!r}") from exc
    if np.isnat(value):
        raise ValueError("epoch: NaT is not a point in time")
    return value


def to_arrow(frame: Any) -> pa.Table:
    """An Arrow table from an Arrow table, a polars DataFrame or a pandas DataFrame."""
    if isinstance(frame, pa.Table):
        return frame
    if isinstance(frame, pl.DataFrame):
        return frame.to_arrow()
    if type(frame).__module__.startswith("pandas"):
        return pa.Table.from_pandas(frame, preserve_index=False)
    raise TypeError(f"frame: expected a polars or pandas DataFrame or a pyarrow Table, got {type(frame).__name__}")


def _column(table: pa.Table, name: str, role: str, origin: RowOrigin) -> pa.ChunkedArray:
    if name not in table.column_names:
        where = f" in {origin.files[0]}" if len(origin.files) == 1 else ""
        raise KeyError(f"{role} column {name!r} not found{where}; columns are {table.column_names}")
    return table.column(name)


def _subjects(table: pa.Table, layout: Layout, origin: RowOrigin) -> np.ndarray:
    column = _column(table, layout.subject, "subject", origin)
    if not pa.types.is_integer(column.type):
        raise TypeError(f"subject column {layout.subject!r}: expected integers, got {column.type}")
    row = first_null(column)
    if row is not None:
        raise ValueError(f"null subject id at {origin.describe(row)}")
    ids = stored(column)
    if ids.dtype == np.uint64 and len(ids) and ids.max() > np.iinfo(np.int64).max:
        row = int(np.argmax(ids > np.iinfo(np.int64).max))
        raise ValueError(f"subject id {ids[row]} is past the int64 range at {origin.describe(row)}")
    return ids.astype(np.int64, copy=False)


# Microseconds per stored unit of a timestamp type.
_MICROS_PER = {"s": 1_000_000, "ms": 1_000, "us": 1}


def _micros(column: pa.ChunkedArray, present: np.ndarray, subjects: np.ndarray, origin: RowOrigin) -> np.ndarray:
    """Timestamps or dates as integer microseconds; times finer than a microsecond or
    outside the microsecond range are refused, naming the first such row."""
    kind = column.type
    raw = stored(column).astype(np.int64, copy=False)
    if pa.types.is_timestamp(kind) and kind.unit == "ns":
        finer = np.flatnonzero((raw % 1000 != 0) & present)
        if len(finer):
            row = int(finer[0])
            raise ValueError(
                f"time {column[row]} has nanoseconds for subject {subjects[row]} at {origin.describe(row)}; "
                "a corpus keeps microseconds: round the times first"
            )
        return raw // 1000
    if pa.types.is_timestamp(kind):
        per = _MICROS_PER[kind.unit]
    else:  # days or milliseconds
        per = 86_400_000_000 if pa.types.is_date32(kind) else 1_000
    if per == 1:
        return raw
    limit = np.iinfo(np.int64).max // per
    outside = np.flatnonzero((np.abs(raw) > limit) & present)
    if len(outside):
        row = int(outside[0])
        raise ValueError(
            f"time {raw[row]} ({kind}) is out of the microsecond range for subject {subjects[row]} "
            f"at {origin.describe(row)}"
        )
    return raw * per


def _time_keys(
    table: pa.Table, layout: Layout, origin: RowOrigin, subjects: np.ndarray
) -> tuple[np.ndarray, np.ndarray]:
    """Per row an exact sort key and whether the row has a time: microseconds for
    datetimes, the number itself for numeric times (already in the corpus unit). The
    keys of rows without a time are meaningless."""
    column = _column(table, layout.time, "time", origin)
    present = ~nulls(column)
    kind = column.type
    if pa.types.is_timestamp(kind) or pa.types.is_date(kind):
        return _micros(column, present, subjects, origin), present
    if pa.types.is_integer(kind) or pa.types.is_floating(kind):
        keys = stored(column).astype(np.float64)
        bad = np.flatnonzero(~np.isfinite(keys) & present)
        if len(bad):
            row = int(bad[0])
            raise ValueError(f"time {keys[row]} is not finite for subject {subjects[row]} at {origin.describe(row)}")
        return keys, present
    raise TypeError(f"time column {layout.time!r}: expected datetimes, dates or numbers, got {kind}")


def _codes(table: pa.Table, layout: Layout, origin: RowOrigin, subjects: np.ndarray) -> tuple[np.ndarray, list[str]]:
    """Per row the index of its code in the sorted vocabulary of the distinct codes.

    A dictionary-encoded column (as Parquet text columns are read) is used as it is:
    the texts are touched once per distinct code, not once per row."""
    column = _column(table, layout.code, "code", origin)
    row = first_null(column)
    if row is not None:
        raise ValueError(f"null code for subject {subjects[row]} at {origin.describe(row)}")
    if not pa.types.is_dictionary(column.type) or not _is_text(column.type.value_type):
        import pyarrow.compute as pc  # on first use: its import builds the docs of every Arrow function

        column = pc.dictionary_encode(column if _is_text(column.type) else column.cast(pa.string()))
    column = column.unify_dictionaries()
    if column.num_chunks == 0:
        return np.zeros(0, dtype=np.int32), []
    texts = np.array(column.chunk(0).dictionary.to_pylist(), dtype=object)
    indices = stored(pa.chunked_array([c.indices for c in column.chunks])).astype(np.int32, copy=False)
    used = np.flatnonzero(np.bincount(indices, minlength=len(texts)))
    order = used[np.argsort(texts[used], kind="stable")]
    rank = np.full(len(texts), -1, dtype=np.int32)
    rank[order] = np.arange(len(order), dtype=np.int32)
    return rank[indices], texts[order].tolist()


def _is_text(kind: pa.DataType) -> bool:
    return bool(pa.types.is_string(kind) or pa.types.is_large_string(kind))


def _values(table: pa.Table, layout: Layout, origin: RowOrigin) -> np.ndarray:
    if layout.value is None:
        return np.full(table.num_rows, np.nan)
    column = _column(table, layout.value, "value", origin)
    if not (pa.types.is_integer(column.type) or pa.types.is_floating(column.type) or pa.types.is_null(column.type)):
        raise TypeError(f"value column {layout.value!r}: expected numbers, got {column.type}")
    values = stored(column).astype(np.float64)
    values[nulls(column)] = np.nan
    return values


def _offsets(sorted_subjects: np.ndarray, subject_ids: np.ndarray) -> np.ndarray:
    return np.searchsorted(sorted_subjects, np.append(subject_ids, np.iinfo(np.int64).max), side="left").astype(
        np.int64
    )


def _row_orders(subjects: np.ndarray, keys: np.ndarray, present: np.ndarray) -> tuple[np.ndarray, np.ndarray]:
    """Which rows, in which order, make the events and the static rows: index arrays, or
    row masks when the input is already in order (as MEDS shards are), which pick rows
    without the random access of a gather.

    The static rows sort before every event of their subject, in input order, so that a
    MEDS shard (static rows first) is found to be in order as it stands."""
    lowest = np.iinfo(np.int64).min if keys.dtype == np.int64 else -np.inf
    sort_keys = np.where(present, keys, lowest)
    if is_ordered(subjects, sort_keys):
        return present, ~present
    order = stable_order(subjects, sort_keys)
    kept = present[order]
    return order[kept], order[~kept]


def _extra_columns(table: pa.Table, layout: Layout, origin: RowOrigin, order: np.ndarray) -> dict[str, pa.Array]:
    if not layout.extra:
        return {}
    indices = pl.Series(np.flatnonzero(order) if order.dtype == np.bool_ else order).to_arrow()
    return {name: _column(table, name, "extra", origin).take(indices) for name in layout.extra}


def code_table(table: pa.Table, layout: Layout, origin: RowOrigin | None = None) -> dict[str, Any]:
    """The flat arrays of a corpus (the `Corpus` constructor's arguments) from an event table.

    Rows with a null time are the subject's static rows; the others are ordered by
    subject, then time, keeping the input order among rows of one subject at one time.
    """
    origin = origin or RowOrigin()
    unit_us = check_unit(layout.unit)
    subjects = _subjects(table, layout, origin)
    keys, present = _time_keys(table, layout, origin, subjects)
    code_index, vocabulary = _codes(table, layout, origin, subjects)
    values = _values(table, layout, origin)

    order, static_order = _row_orders(subjects, keys, present)
    event_subjects, static_subjects = subjects[order], subjects[static_order]
    both = np.concatenate([distinct_sorted(event_subjects), distinct_sorted(static_subjects)])
    subject_ids = distinct_sorted(np.sort(both)).astype(np.int64)

    times = keys[order]
    if keys.dtype == np.int64:
        # (time - epoch) / unit, exact in integers until the one division, done in place.
        epoch_us = int(layout.epoch.astype(np.int64))
        if epoch_us:
            times -= epoch_us
        times = np.true_divide(times, unit_us)
    return {
        "subject_ids": subject_ids,
        "offsets": _offsets(event_subjects, subject_ids),
        "times": times,
        "values": values[order],
        "code_index": code_index[order],
        "vocabulary": vocabulary,
        "static_offsets": _offsets(static_subjects, subject_ids),
        "static_code_index": code_index[static_order],
        "static_values": values[static_order],
        "columns": _extra_columns(table, layout, origin, order),
        "unit": layout.unit,
        "epoch": layout.epoch,
    }
