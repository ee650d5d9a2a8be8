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
from .progress import bar
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


def _read_shard(file: Path, wanted: list[str], code: str, codes: pa.Array | None) -> tuple[pa.Table, np.ndarray | None]:
    """The wanted columns of one shard: every row, or with `codes` the rows with one of
    them (and null codes, which coding refuses) and these rows' numbers in the file."""
    shard = pq.ParquetFile(file, read_dictionary=[code])
    names = shard.schema_arrow.names
    missing = [c for c in wanted if c not in names]
    if missing:
        raise KeyError(f"{file}: column(s) {missing} not found; columns are {names}")
    table = shard.read(columns=wanted)
    if codes is None:
        return table, None
    column = table.column(code)
    keep = pc.or_(pc.is_in(column, value_set=codes), pc.is_null(column))
    return table.filter(keep), np.flatnonzero(keep.to_numpy(zero_copy_only=False))


def read_shards(
    files: Sequence[Path], layout: Layout, codes: Sequence[str] | None, progress: bool
) -> tuple[pa.Table, RowOrigin]:
    """The needed columns of every shard, concatenated, and where each row came from.

    With `codes`, only rows whose code is one of them are kept. Shards are read with
    the Parquet file reader, which does not load the dataset layer (nor pandas).
    """
    wanted = [layout.subject, layout.time, layout.code]
    wanted += [c for c in (layout.value, *layout.extra) if c is not None and c not in wanted]
    value_set = None if codes is None else pa.array(list(codes), pa.string())
    shards = []
    with bar(progress, "reading", len(files), "shard") as shown:
        for file in files:
            shards.append(_read_shard(file, wanted, layout.code, value_set))
            shown.update(1)
    sizes = np.array([t.num_rows for t, _ in shards], dtype=np.int64)
    starts = np.concatenate([[0], np.cumsum(sizes)[:-1]]).astype(np.int64)
    table = pa.concat_tables([t for t, _ in shards], promote_options="permissive")
    kept = [rows for _, rows in shards if rows is not None]
    file_rows = np.concatenate(kept) if codes is not None else None
    return table, RowOrigin([str(f) for f in files], starts, file_rows)
