"""Running a task over a whole dataset, one unit of work per MEDS shard (a shard holds
whole subjects) or per slice of subjects of a saved corpus, in this process or on a
`dask.distributed` cluster. The task travels as its configuration (plain data); every
unit writes its own labels file under a temporary name and renames it when complete."""

import os
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import Any

import numpy as np
import pyarrow.parquet as pq

from .corpus import Corpus
from .labels import LABEL_SCHEMA
from .meds import shard_files
from .progress import steps
from .tasks import Task, TaskFileError


@dataclass(frozen=True)
class Unit:
    """One unit of work: a MEDS shard file, or subjects `lo:hi` of a saved corpus; its
    labels go to `out` (relative to the output folder)."""

    source: str
    out: str
    lo: int = 0
    hi: int = -1


def is_saved_corpus(path: str | Path) -> bool:
    return (Path(path) / "corpus.json").is_file()


def plan(data: str | Path, slices: int = 1) -> list[Unit]:
    """The units of a MEDS dataset (one per shard, labels named like the shard) or of a
    saved corpus (`slices` runs of whole subjects, labels `part-K.parquet`)."""
    if is_saved_corpus(data):
        n = Corpus.open(data).n_subjects
        bounds = np.linspace(0, n, max(1, min(slices, n)) + 1).astype(int)
        return [
            Unit(str(data), f"part-{k}.parquet", int(lo), int(hi))
            for k, (lo, hi) in enumerate(zip(bounds[:-1], bounds[1:]))
        ]
    files = shard_files(data)
    root = Path(data) / "data" if (Path(data) / "data").is_dir() else Path(data)
    return [Unit(str(f), str(f.relative_to(root)) if f != root else f.name) for f in files]


def _subjects(corpus: Corpus, lo: int, hi: int) -> Corpus:
    """Subjects `lo:hi` of a corpus as a corpus of their own (array views, no copies)."""
    rows, static = corpus.offsets[[lo, hi]], corpus.static_offsets[[lo, hi]]
    return Corpus(
        subject_ids=corpus.subject_ids[lo:hi],
        offsets=corpus.offsets[lo : hi + 1] - rows[0],
        times=corpus.times[rows[0] : rows[1]],
        values=corpus.values[rows[0] : rows[1]],
        code_index=corpus.code_index[rows[0] : rows[1]],
        vocabulary=corpus.vocabulary,
        static_offsets=corpus.static_offsets[lo : hi + 1] - static[0],
        static_code_index=corpus.static_code_index[static[0] : static[1]],
        static_values=corpus.static_values[static[0] : static[1]],
        columns={k: v[rows[0] : rows[1]] for k, v in corpus.columns.items()},
        unit=corpus.unit,
        epoch=corpus.epoch,
    )


def _load(task: Task, unit: Unit) -> Corpus:
    if unit.hi >= 0:
        return _subjects(Corpus.open(unit.source), unit.lo, unit.hi)
    # Whole microseconds: window boundaries such as "trigger + 48h" compare exactly.
    return Corpus.from_meds(unit.source, unit="us", columns=task.columns)


def run_unit(raw: dict[str, Any], source: str, unit: Unit, out_dir: str) -> int:
    """Runs the task (its configuration `raw`, read from `source`) over one unit and
    writes its labels; returns the number of rows written."""
    task = Task.from_dict(raw, source)
    labels = task.run(_load(task, unit))
    target = Path(out_dir) / unit.out
    target.parent.mkdir(parents=True, exist_ok=True)
    fd, staging = tempfile.mkstemp(prefix=f".{target.name}.", suffix=".partial", dir=target.parent)
    os.close(fd)
    try:
        pq.write_table(labels.to_arrow().cast(LABEL_SCHEMA), staging)
        os.replace(staging, target)
    except BaseException:
        Path(staging).unlink(missing_ok=True)
        raise
    return labels.height


def _check_writable(task: Task) -> None:
    """MEDS labels need a prediction time: the task must name an index timestamp."""
    if not any(w.index_timestamp for w in task.config.windows.values()):
        raise TaskFileError(task.config.source, "windows", "no window has an index_timestamp (the prediction time)")


def run_task(
    task: Task,
    data: str | Path,
    out: str | Path,
    *,
    client: Any = None,
    slices: int | None = None,
    progress: bool = False,
) -> int:
    """Runs `task` over a MEDS dataset or a saved corpus `data`, writing one MEDS label
    Parquet file per shard (or per slice of a saved corpus) under `out`; with a
    `dask.distributed` `client`, the units run on its workers. Returns the number of
    label rows written. The files are the same with or without a client."""
    _check_writable(task)
    n_slices = slices or (len(client.scheduler_info()["workers"]) if client is not None else 1)
    units = plan(data, n_slices)
    raw, source = task.to_dict(), task.config.source
    if client is None:
        return sum(run_unit(raw, source, u, str(out)) for u in steps(units, progress, "shards", unit="shard"))
    from distributed import as_completed

    futures = [client.submit(run_unit, raw, source, u, str(out), pure=False) for u in units]
    return sum(f.result() for f in steps(as_completed(futures), progress, "shards", total=len(futures), unit="shard"))
