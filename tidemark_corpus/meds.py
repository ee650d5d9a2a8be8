"""Reading a MEDS dataset folder (sharded Parquet under data/) into one event table."""

import json
from collections.abc import Sequence
from pathlib import Path
from typing import Any

import numpy as np
import polars as pl
import pyarrow as pa
import pyarrow.parquet as pq

from .frames import Layout
from .progress import bar
from .rows import RowOrigin

# The row-number column added while filtering a shard.
ROW = "__tidemark_row"


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


def _read_shard(
    file: Path, wanted: list[str], code: str, codes: list[str] | None
) -> tuple[pa.Table, np.ndarray | None]:
    """The wanted columns of one shard: every row, or with `codes` the rows with one of
    them (and null codes, which coding refuses) and these rows' numbers in the file.

    Every row is read by the Parquet file reader with the codes dictionary-encoded, as
    they are stored; chosen rows by polars, whose reader decodes the other columns
    only for rows that pass the filter."""
    shard = pq.ParquetFile(file, read_dictionary=[code])
    names = shard.schema_arrow.names
    missing = [c for c in wanted if c not in names]
    if missing:
        raise KeyError(f"{file}: column(s) {missing} not found; columns are {names}")
    if codes is None:
        return shard.read(columns=wanted), None
    kept = (
        pl.scan_parquet(file)
        .select(wanted)
        .with_row_index(ROW)
        .filter(pl.col(code).is_in(codes) | pl.col(code).is_null())
        .collect()
    )
    return kept.drop(ROW).to_arrow(), kept[ROW].to_numpy().astype(np.int64)


def read_shards(
    files: Sequence[Path], layout: Layout, codes: Sequence[str] | None, progress: bool
) -> tuple[pa.Table, RowOrigin]:
    """The needed columns of every shard, concatenated, and where each row came from.

    With `codes`, only rows whose code is one of them are kept. Neither reader loads
    Arrow's dataset layer (which would import pandas when it is installed).
    """
    wanted = [layout.subject, layout.time, layout.code]
    wanted += [c for c in (layout.value, *layout.extra) if c is not None and c not in wanted]
    shards = []
    with bar(progress, "reading", len(files), "shard") as shown:
        for file in files:
            shards.append(_read_shard(file, wanted, layout.code, None if codes is None else list(codes)))
            shown.update(1)
    sizes = np.array([t.num_rows for t, _ in shards], dtype=np.int64)
    starts = np.concatenate([[0], np.cumsum(sizes)[:-1]]).astype(np.int64)
    table = pa.concat_tables([t for t, _ in shards], promote_options="permissive")
    kept = [rows for _, rows in shards if rows is not None]
    file_rows = np.concatenate(kept) if codes is not None else None
    return table, RowOrigin([str(f) for f in files], starts, file_rows)
