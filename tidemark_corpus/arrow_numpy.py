"""Arrow columns as NumPy arrays, read from the chunks' buffers.

Arrow's own casts, null masks and conversions go through its compute layer, whose
import builds the docs of every Arrow function (about 0.1 s of every process that
reads data), and some of its conversions import pandas when it is installed. The
columns a corpus reads are plain fixed-width numbers, so their buffers are viewed as
they are stored and converted by NumPy.
"""

from typing import Any

import numpy as np
import pyarrow as pa


def _stored_dtype(kind: pa.DataType) -> np.dtype[Any]:
    """The NumPy dtype of a fixed-width Arrow type's value buffer: integers and floats
    as themselves, timestamps, durations and date64 as int64, date32 as int32."""
    if pa.types.is_timestamp(kind) or pa.types.is_duration(kind) or pa.types.is_date64(kind):
        return np.dtype(np.int64)
    if pa.types.is_date32(kind):
        return np.dtype(np.int32)
    stored: np.dtype[Any] = np.dtype(kind.to_pandas_dtype())
    return stored


def stored(column: pa.ChunkedArray) -> np.ndarray:
    """The column's values as stored (see `_stored_dtype`), the chunks joined; null rows
    hold whatever the buffer holds, and a column of nulls only is zeros."""
    if pa.types.is_null(column.type):
        return np.zeros(len(column), dtype=np.int8)
    dtype = _stored_dtype(column.type)
    parts = [
        np.frombuffer(chunk.buffers()[1], dtype=dtype, count=len(chunk), offset=chunk.offset * dtype.itemsize)
        for chunk in column.chunks
        if len(chunk)
    ]
    if len(parts) == 1:
        return parts[0]
    return np.concatenate(parts) if parts else np.zeros(0, dtype=dtype)


def _chunk_nulls(chunk: pa.Array) -> np.ndarray:
    if chunk.null_count == 0:
        return np.zeros(len(chunk), dtype=bool)
    if chunk.null_count == len(chunk):
        return np.ones(len(chunk), dtype=bool)
    bits = np.unpackbits(np.frombuffer(chunk.buffers()[0], dtype=np.uint8), bitorder="little")
    null: np.ndarray = bits[chunk.offset : chunk.offset + len(chunk)] == 0
    return null


def nulls(column: pa.ChunkedArray) -> np.ndarray:
    """Which rows of the column are null, read from the chunks' validity bitmaps."""
    if column.null_count == 0:
        return np.zeros(len(column), dtype=bool)
    return np.concatenate([_chunk_nulls(chunk) for chunk in column.chunks])


def first_null(column: pa.ChunkedArray) -> int | None:
    """The first null row of the column, None when it has none."""
    if column.null_count == 0:
        return None
    return int(np.flatnonzero(nulls(column))[0])
