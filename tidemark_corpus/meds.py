"""Reading a MEDS dataset folder (sharded Parquet under data/) into one event table."""

import json
from collections.abc import Sequence
from pathlib import Path
from typing import Any

import numpy as np
import pyarrow as pa
import pyarrow.compute as pc
import pyarrow.parquet as pq

from .frames import Layout
from .progress import steps
from .rows import RowOrigin


def shard_files(path: str | Path) -> list[Path]:
    """The Parquet shards of a MEDS dataset, in path order: `data/**/*.parquet` under a
    dataset folder, every `*.parquet` below a folder without `data/`, or one file."""
    root = Path(path)
    if root.is_file():
        return [root]
    if not root.is_dir():
        raise FileNotFoundError(f"MEDS dataset not found: {root}")
    data = root / "data" if (root / "data").is_dir() else root
    files = sorted(data.rglob("*.parquet"))
    if not files:
        raise FileNotFoundError(f"no Parquet shards under {data}")
    return files


def read_metadata(path: str | Path) -> dict[str, Any]:
    """The dataset's `metadata/dataset.json` when present (empty otherwise)."""
    meta = Path(path) / "metadata" / "dataset.json"
    if not meta.is_file():
        return {}
    with meta.open() as f:
        loaded = json.load(f)
    if not isinstance(loaded, dict):
        raise ValueError(f"{meta}: expected a JSON object, got {type(loaded).__name__}")
    return loaded


def read_shards(
    files: Sequence[Path], layout: Layout, codes: Sequence[str] | None, progress: bool
) -> tuple[pa.Table, RowOrigin]:
    """The needed columns of every shard, concatenated, and where each shard's rows start.

    With `codes`, only rows whose code is one of them are read (a Parquet filter);
    row numbers in errors then count the rows kept.
    """
    wanted = [layout.subject, layout.time, layout.code]
    wanted += [c for c in (layout.value, *layout.extra) if c is not None and c not in wanted]
    filters = None if codes is None else pc.field(layout.code).isin(list(codes))
    tables = []
    for file in steps(files, progress, "reading shards", unit="shard"):
        schema = pq.read_schema(file)
        missing = [c for c in wanted if c not in schema.names]
        if missing:
            raise KeyError(f"{file}: column(s) {missing} not found; columns are {schema.names}")
        tables.append(pq.read_table(file, columns=wanted, filters=filters))
    sizes = np.array([t.num_rows for t in tables], dtype=np.int64)
    starts = np.concatenate([[0], np.cumsum(sizes)[:-1]]).astype(np.int64)
    table = pa.concat_tables(tables, promote_options="permissive")
    return table, RowOrigin([str(f) for f in files], starts)
