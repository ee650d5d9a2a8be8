"""Running a task over a whole dataset, one unit of work per MEDS shard (a shard holds
whole subjects) or per slice of subjects of a saved corpus, in this process or on a
`dask.distributed` cluster. The task travels as its configuration (plain data); every
unit writes its own labels file under a temporary name and renames it when complete."""

import contextlib
import os
import tempfile
from collections.abc import Iterator
from dataclasses import dataclass
from pathlib import Path
from typing import Any

import numpy as np
import pyarrow.parquet as pq

from .corpus import Corpus
from .labels import LABEL_SCHEMA
from .meds import shard_files
from .progress import bar
from .tasks import Task, TaskFileError
from .tasks.rows_needed import rows_needed


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


def _load(task: Task, unit: Unit) -> Corpus:
    if unit.hi >= 0:
        return Corpus.open(unit.source).slice(unit.lo, unit.hi)
    # Whole microseconds: window boundaries such as "trigger + 48h" compare exactly.
    return Corpus.from_meds(unit.source, unit="us", columns=task.columns, rows=rows_needed(task.config))


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


@contextlib.contextmanager
def local_client(workers: int) -> Iterator[Any]:
    """A client of a local Dask cluster of `workers` processes, each running one unit at
    a time.

    The workers keep glibc's own allocation thresholds: Dask's default of trimming the
    heap at 64 kB maps every large array afresh, which makes the array-heavy task runs
    several times slower. The Parquet readers' thread pools (Arrow's, polars') share the
    machine's cores among the workers instead of one thread each (Dask's default for
    Arrow) or every core each (polars' own).
    """
    import dask
    from distributed import Client, LocalCluster

    threads = str(max(1, (os.cpu_count() or 1) // workers))
    environ = dict(dask.config.get("distributed.nanny.pre-spawn-environ", {}))
    environ.pop("MALLOC_TRIM_THRESHOLD_", None)
    environ.update(OMP_NUM_THREADS=threads, POLARS_MAX_THREADS=threads)
    with (
        dask.config.set({"distributed.nanny.pre-spawn-environ": environ}),
        LocalCluster(n_workers=workers, threads_per_worker=1, processes=True) as cluster,
        Client(cluster) as client,
    ):
        yield client


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
    rows = 0
    with bar(progress, "shards", len(units), "shard") as shown:
        if client is None:
            for u in units:
                rows += run_unit(raw, source, u, str(out))
                shown.update(1)
            return rows
        from distributed import as_completed

        for done in as_completed([client.submit(run_unit, raw, source, u, str(out), pure=False) for u in units]):
            rows += done.result()
            shown.update(1)
    return rows
