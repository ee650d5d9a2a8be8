"""Writing labels in the MEDS label schema as one Parquet file."""

from pathlib import Path
from typing import Any

import numpy as np
import pyarrow as pa

from .arrow_numpy import nulls
from .atomic_write import write_parquet
from .frames import to_arrow

LABEL_SCHEMA = pa.schema(
    [
        pa.field("subject_id", pa.int64(), nullable=False),
        pa.field("prediction_time", pa.timestamp("us"), nullable=False),
        pa.field("boolean_value", pa.bool_()),
        pa.field("integer_value", pa.int64()),
        pa.field("float_value", pa.float64()),
        pa.field("categorical_value", pa.string()),
    ]
)


def _label_column(table: pa.Table, field: pa.Field, source: str | None) -> pa.Array:
    if source is None:
        return pa.nulls(table.num_rows, field.type)
    if source not in table.column_names:
        raise KeyError(f"{field.name}: column {source!r} not found; columns are {table.column_names}")
    column = table.column(source)
    try:
        cast = column.cast(field.type)
    except (pa.ArrowInvalid, pa.ArrowNotImplementedError) as exc:
        raise TypeError(f"{field.name}: column {source!r} of type {column.type} is not {field.type}") from exc
    if not field.nullable and cast.null_count:
        row = int(np.flatnonzero(nulls(cast))[0])
        raise ValueError(f"{field.name}: column {source!r} is null at row {row}")
    return cast.combine_chunks()


def write_labels(
    frame: Any,
    path: str | Path,
    *,
    subject_id: str = "subject_id",
    prediction_time: str = "prediction_time",
    boolean_value: str | None = None,
    integer_value: str | None = None,
    float_value: str | None = None,
    categorical_value: str | None = None,
) -> pa.Table:
    """Write `frame` (polars, pandas or Arrow) as MEDS labels to the Parquet file `path`.

    Each argument names the frame's column for that label field; a value field not
    named is taken from the frame's column of the field's own name when there is one,
    and is null otherwise. The file is written under a temporary name and moved into
    place when complete. Returns the table written.
    """
    table = to_arrow(frame)
    sources = {
        "subject_id": subject_id,
        "prediction_time": prediction_time,
        "boolean_value": boolean_value,
        "integer_value": integer_value,
        "float_value": float_value,
        "categorical_value": categorical_value,
    }
    for name in ("boolean_value", "integer_value", "float_value", "categorical_value"):
        if sources[name] is None and name in table.column_names:
            sources[name] = name
    if all(sources[name] is None for name in list(sources)[2:]):
        raise ValueError(
            "labels: no value column; name one of boolean_value, integer_value, float_value or categorical_value"
        )
    labels = pa.Table.from_arrays([_label_column(table, f, sources[f.name]) for f in LABEL_SCHEMA], schema=LABEL_SCHEMA)
    write_parquet(labels, Path(path))
    return labels
