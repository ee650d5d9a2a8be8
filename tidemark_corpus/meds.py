"""Reading a MEDS dataset folder (sharded Parquet under data/) into one event table."""

import json
from collections.abc import Callable, Sequence
from pathlib import Path
from typing import Any

import numpy as np
import polars as pl
import pyarrow as pa
import pyarrow.parquet as pq

from .frames import Layout
from .progress import bar
from .rows import RowOrigin

# The row-number column added when an error needs the file row of a kept row.
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


# The MEDS code metadata columns, as an empty table has them.
CODE_METADATA_SCHEMA = pl.Schema({"code": pl.String(), "description": pl.String(), "parent_codes": pl.List(pl.String)})


def empty_code_metadata() -> pl.DataFrame:
    return pl.DataFrame(schema=CODE_METADATA_SCHEMA)


def read_code_metadata(path: str | Path) -> pl.DataFrame:
    """The dataset's `metadata/codes.parquet` (one row per code: `code`, `description`,
    `parent_codes` and any further columns) when present; an empty table of the MEDS
    code metadata columns otherwise."""
    file = Path(path) / "metadata" / "codes.parquet"
    if not file.is_file():
        return empty_code_metadata()
    codes = pl.read_parquet(file)
    if codes.schema.get("code") not in (pl.String, pl.Categorical):
        raise ValueError(f"{file}: expected a text column 'code', got columns {dict(codes.schema)}")
    return codes.with_columns(pl.col("code").cast(pl.String))


def _footer(file: Path, wanted: list[str]) -> pq.FileMetaData:
    """The shard's Parquet footer, once its columns are checked."""
    meta = pq.read_metadata(file)
    names = meta.schema.names
    missing = [c for c in wanted if c not in names]
    if missing:
        raise KeyError(f"{file}: column(s) {missing} not found; columns are {names}")
    return meta


def _may_hold_nulls(meta: pq.FileMetaData, column: str) -> bool:
    """Whether the footer's statistics leave room for a null in `column`."""
    index = meta.schema.names.index(column)
    for g in range(meta.num_row_groups):
        stats = meta.row_group(g).column(index).statistics
        if stats is None or not stats.has_null_count or stats.null_count > 0:
            return True
    return False


def _read_all(files: Sequence[Path], wanted: list[str], code: str, shown: Any) -> tuple[pa.Table, RowOrigin]:
    """Every row of the shards, read by the Parquet file reader with the codes
    dictionary-encoded as they are stored (texts touched once per distinct code)."""
    shards = []
    for file in files:
        _footer(file, wanted)
        shards.append(pq.ParquetFile(file, read_dictionary=[code]).read(columns=wanted))
        shown.update(1)
    sizes = np.array([t.num_rows for t in shards], dtype=np.int64)
    starts = np.concatenate([[0], np.cumsum(sizes)[:-1]]).astype(np.int64)
    return pa.concat_tables(shards, promote_options="permissive"), RowOrigin([str(f) for f in files], starts)


def _kept_row_finder(files: Sequence[Path], keeps: list[pl.Expr]) -> Callable[[int], tuple[int, int]]:
    """For the rows the filters `keeps` (one per shard) kept from the shards, in order:
    the shard and row within it of kept row k, found by reading the shards again (only
    an error needs it)."""

    def find(row: int) -> tuple[int, int]:
        passed = 0
        for i, (file, keep) in enumerate(zip(files, keeps)):
            rows = pl.scan_parquet(file).with_row_index(ROW).filter(keep).select(ROW).collect()[ROW]
            if row < passed + len(rows):
                return i, int(rows[row - passed])
            passed += len(rows)
        raise IndexError(f"row {row} is past the {passed} rows kept")

    return find


def _read_kept(
    files: Sequence[Path], wanted: list[str], code: str, rows: pl.Expr, progress: bool, shown: Any
) -> tuple[pa.Table, RowOrigin]:
    """The rows of the shards for which `rows` holds (and those with a null code, which
    coding refuses, unless the shard's statistics show it has none), read by polars,
    whose reader decodes the other columns only for rows that pass the filter. Without
    a progress bar, all shards are one query, which polars reads in parallel."""
    scans, keeps = [], []
    for file in files:
        keep = rows | pl.col(code).is_null() if _may_hold_nulls(_footer(file, wanted), code) else rows
        keeps.append(keep)
        # Codes come out dictionary-encoded, as coding wants them.
        scans.append(pl.scan_parquet(file).select(wanted).filter(keep).with_columns(pl.col(code).cast(pl.Categorical)))
    if not progress:
        parts = [pl.concat(scans, how="vertical_relaxed").collect()]
    else:
        parts = []
        for scan in scans:
            parts.append(scan.collect())
            shown.update(1)
    table = pl.concat(parts, how="vertical_relaxed").to_arrow()
    return table, RowOrigin([str(f) for f in files], find=_kept_row_finder(files, keeps))


def read_shards(
    files: Sequence[Path], layout: Layout, rows: pl.Expr | None, progress: bool
) -> tuple[pa.Table, RowOrigin]:
    """The needed columns of every shard, concatenated, and where each row came from.

    With `rows` (a polars filter), only rows for which it holds are kept. Neither reader
    loads Arrow's dataset layer (which would import pandas when it is installed).
    """
    wanted = [layout.subject, layout.time, layout.code]
    wanted += [c for c in (layout.value, *layout.extra) if c is not None and c not in wanted]
    with bar(progress, "reading", len(files), "shard") as shown:
        if rows is None:
            return _read_all(files, wanted, layout.code, shown)
        return _read_kept(files, wanted, layout.code, rows, progress, shown)
