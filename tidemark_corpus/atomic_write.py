"""Parquet files written under a temporary name in their folder and renamed once
complete, so an interrupted write never leaves a file that looks complete."""

import os
import tempfile
from pathlib import Path

import pyarrow as pa
import pyarrow.parquet as pq


def write_parquet(table: pa.Table, target: Path) -> None:
    """Writes `table` to `target` (creating its folder); on any failure, Ctrl-C included,
    the temporary file is removed and `target` is left as it was."""
    target.parent.mkdir(parents=True, exist_ok=True)
    fd, staging = tempfile.mkstemp(prefix=f".{target.name}.", suffix=".partial", dir=target.parent)
    os.close(fd)
    try:
        pq.write_table(table, staging)
        os.replace(staging, target)
    except BaseException:
        Path(staging).unlink(missing_ok=True)
        raise
