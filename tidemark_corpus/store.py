"""A corpus on disk: one `.npy` file per array (memory-mapped on open), the vocabulary
as texts, the further columns and the code metadata as Arrow IPC files, described by
`corpus.json`."""

import json
import shutil
import tempfile
from pathlib import Path
from typing import Any

import numpy as np
import polars as pl
import pyarrow as pa
import pyarrow.feather as feather

from .checks import ARRAY_DTYPES
from .meds import empty_code_metadata

FORMAT = "tidemark-corpus"
VERSION = 1
COLUMNS_FILE = "columns.arrow"
CODE_METADATA_FILE = "codes.arrow"


def save(corpus: Any, path: str | Path, overwrite: bool = False) -> None:
    """Write `corpus` to the folder `path`, which must not exist unless `overwrite`.

    The folder is written beside its destination under a temporary name and moved into
    place when complete, so that a failed save leaves no partial corpus behind.
    """
    target = Path(path)
    if target.exists() and not overwrite:
        raise FileExistsError(f"{target} exists; pass overwrite=True to replace it")
    target.parent.mkdir(parents=True, exist_ok=True)
    staging = Path(tempfile.mkdtemp(prefix=f".{target.name}.", dir=target.parent))
    try:
        for name, dtype in ARRAY_DTYPES.items():
            np.save(staging / f"{name}.npy", np.ascontiguousarray(getattr(corpus, name), dtype=dtype))
        if corpus.columns:
            feather.write_feather(pa.table(corpus.columns), staging / COLUMNS_FILE, compression="uncompressed")
        corpus.code_metadata.write_ipc(staging / CODE_METADATA_FILE)
        meta = {
            "format": FORMAT,
            "version": VERSION,
            "unit": corpus.unit,
            "epoch": str(corpus.epoch),
            "vocabulary": corpus.vocabulary,
            "metadata": corpus.metadata,
        }
        (staging / "corpus.json").write_text(json.dumps(meta))
        if target.exists():
            shutil.rmtree(target)
        staging.rename(target)
    except BaseException:
        shutil.rmtree(staging, ignore_errors=True)
        raise


def _load(folder: Path, name: str, dtype: Any) -> np.ndarray:
    file = folder / f"{name}.npy"
    if not file.is_file():
        raise ValueError(f"{folder} is not a complete saved corpus: {file.name} is missing")
    # A plain read-only view of the mapping: slices of it are cheap ndarrays, not memmaps.
    array: np.ndarray = np.asarray(np.load(file, mmap_mode="r"))
    if array.dtype != dtype or array.ndim != 1:
        raise ValueError(f"{file}: expected a one-dimensional {np.dtype(dtype)} array, got {array.dtype} {array.shape}")
    return array


def load(path: str | Path) -> dict[str, Any]:
    """The `Corpus` constructor's arguments from a saved corpus, arrays memory-mapped
    (the constructor checks that they fit together)."""
    folder = Path(path)
    meta_file = folder / "corpus.json"
    if not meta_file.is_file():
        raise FileNotFoundError(f"no saved corpus at {folder} ({meta_file.name} not found)")
    meta = json.loads(meta_file.read_text())
    if meta.get("format") != FORMAT or meta.get("version") != VERSION:
        raise ValueError(f"{meta_file}: not a saved corpus of format {FORMAT} version {VERSION}")
    arrays = {name: _load(folder, name, dtype) for name, dtype in ARRAY_DTYPES.items()}
    columns_file = folder / COLUMNS_FILE
    columns: dict[str, pa.Array] = {}
    if columns_file.is_file():
        table = feather.read_table(columns_file, memory_map=True)
        columns = {name: table.column(name).combine_chunks() for name in table.column_names}
    codes_file = folder / CODE_METADATA_FILE
    code_metadata = pl.read_ipc(codes_file) if codes_file.is_file() else empty_code_metadata()
    return {
        **arrays,
        "vocabulary": meta["vocabulary"],
        "columns": columns,
        "unit": meta["unit"],
        "epoch": np.datetime64(meta["epoch"], "us"),
        "metadata": meta["metadata"],
        "code_metadata": code_metadata,
    }
