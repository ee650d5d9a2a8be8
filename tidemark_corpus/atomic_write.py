"""Parquet files written under a temporary name in their folder and renamed once
complete, so an interrupted write never leaves a file that looks complete."""

import os
import tempfile
from pathlib import Path

import pyarrow as pa
import pyarrow.parquet as pq


def _text_columns(schema: pa.Schema) -> list[str]:
    """The columns worth dictionary-encoding: texts, whose values repeat. Numbers,
    times and booleans are written plain, which is faster and, for label tables, smaller."""
    texts = (pa.types.is_string, pa.types.is_large_string, pa.types.is_string_view, pa.types.is_dictionary)
    return [f.name for f in schema if any(test(f.type) for test in texts)]


def write_parquet(table: pa.Table, target: Path) -> None:
    """Writes `table` to `target` (creating its folder); on any failure, Ctrl-C included,
    the temporary file is removed and `target` is left as it was."""
    target.parent.mkdir(parents=True, exist_ok=True)
    fd, staging = tempfile.mkstemp(prefix=f".{target.name}.", suffix=".partial", dir=target.parent)
    os.close(fd)
    try:
        pq.write_table(table, staging, use_dictionary=_text_columns(table.schema))
        os.replace(staging, target)
    except BaseException:
        Path(staging).unlink(missing_ok=True)
        raise
