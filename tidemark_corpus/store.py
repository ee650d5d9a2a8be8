"""A corpus on disk: one `.npy` file per array (memory-mapped on open), the vocabulary
as texts and the further columns as an Arrow IPC file, described by `corpus.json`."""

import json
import shutil
import tempfile
from pathlib import Path
from typing import Any

import numpy as np
import pyarrow as pa
import pyarrow.feather as feather

FORMAT = "tidemark-corpus"
VERSION = 1
# Array name and dtype of every `.npy` file of a saved corpus.
ARRAYS = {
    "subject_ids": np.int64,
    "offsets": np.int64,
    "times": np.float64,
    "values": np.float64,
    "code_index": np.int32,
    "static_offsets": np.int64,
    "static_code_index": np.int32,
    "static_values": np.float64,
}
COLUMNS_FILE = "columns.arrow"


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
        for name, dtype in ARRAYS.items():
            np.save(staging / f"{name}.npy", np.ascontiguousarray(getattr(corpus, name), dtype=dtype))
        if corpus.columns:
            feather.write_feather(pa.table(corpus.columns), staging / COLUMNS_FILE, compression="uncompressed")
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
    array: np.ndarray = np.load(file, mmap_mode="r")
    if array.dtype != dtype or array.ndim != 1:
        raise ValueError(f"{file}: expected a one-dimensional {np.dtype(dtype)} array, got {array.dtype} {array.shape}")
    return array


def _check_offsets(folder: Path, name: str, offsets: np.ndarray, n_subjects: int, n_rows: int) -> None:
    if len(offsets) != n_subjects + 1 or offsets[0] != 0 or offsets[-1] != n_rows or np.any(np.diff(offsets) < 0):
        raise ValueError(f"{folder / (name + '.npy')}: not {n_subjects + 1} non-decreasing offsets from 0 to {n_rows}")


def load(path: str | Path) -> dict[str, Any]:
    """The `Corpus` constructor's arguments from a saved corpus, arrays memory-mapped."""
    folder = Path(path)
    meta_file = folder / "corpus.json"
    if not meta_file.is_file():
        raise FileNotFoundError(f"no saved corpus at {folder} ({meta_file.name} not found)")
    meta = json.loads(meta_file.read_text())
    if meta.get("format") != FORMAT or meta.get("version") != VERSION:
        raise ValueError(f"{meta_file}: not a saved corpus of format {FORMAT} version {VERSION}")
    arrays = {name: _load(folder, name, dtype) for name, dtype in ARRAYS.items()}
    n_subjects, n_events = len(arrays["subject_ids"]), len(arrays["times"])
    n_static = len(arrays["static_code_index"])
    _check_offsets(folder, "offsets", arrays["offsets"], n_subjects, n_events)
    _check_offsets(folder, "static_offsets", arrays["static_offsets"], n_subjects, n_static)
    for name, n in (("values", n_events), ("code_index", n_events), ("static_values", n_static)):
        if len(arrays[name]) != n:
            raise ValueError(f"{folder / (name + '.npy')}: {len(arrays[name])} rows, expected {n}")
    n_codes = len(meta["vocabulary"])
    for name in ("code_index", "static_code_index"):
        codes = arrays[name]
        if len(codes) and (int(codes.min()) < 0 or int(codes.max()) >= n_codes):
            raise ValueError(f"{folder / (name + '.npy')}: code index outside the {n_codes}-code vocabulary")
    columns_file = folder / COLUMNS_FILE
    columns: dict[str, pa.Array] = {}
    if columns_file.is_file():
        table = feather.read_table(columns_file, memory_map=True)
        columns = {name: table.column(name).combine_chunks() for name in table.column_names}
    return {
        **arrays,
        "vocabulary": meta["vocabulary"],
        "columns": columns,
        "unit": meta["unit"],
        "epoch": np.datetime64(meta["epoch"], "us"),
        "metadata": meta["metadata"],
    }
