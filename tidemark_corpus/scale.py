"""Running a task over a whole dataset, one unit of work per MEDS shard (a shard holds
whole subjects) or per slice of subjects of a saved corpus, in this process or on a
`dask.distributed` cluster. The task travels as its configuration (plain data); every
unit writes its own files under a temporary name and renames each when complete.

Under the output folder, a unit named `<shard>` writes its ACES labels to `<shard>` and
the outputs of the task's `tidemark:` section to `patterns/<name>/<shard>` (each
pattern's matches), `labels/<shard>` (the label columns, one row per event) and
`state_machines/<name>/<shard>` (each machine's state spans)."""

import contextlib
import os
import re
from collections.abc import Iterator
from dataclasses import dataclass
from pathlib import Path
from typing import Any

import numpy as np
import pyarrow as pa

from .atomic_write import write_parquet
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


# Pattern and state machine names become folder names of the output.
_FOLDER_NAME = re.compile(r"\w[\w.-]*")


def _load(task: Task, unit: Unit) -> Corpus:
    if unit.hi >= 0:
        return Corpus.open(unit.source).slice(unit.lo, unit.hi)
    # Only the ACES part's rows when that is all the task runs; the tidemark: constructs
    # can look at any event.
    rows = rows_needed(task.config) if task.config is not None and not task.to_dict().get("tidemark") else None
    # Whole microseconds: window boundaries such as "trigger + 48h" compare exactly.
    return Corpus.from_meds(unit.source, unit="us", columns=task.columns, rows=rows)


def _construct_outputs(task: Task, corpus: Corpus, name: str) -> Iterator[tuple[str, pa.Table]]:
    """Each file of the `tidemark:` section for a unit named `name`, relative to the
    output folder, and its table."""
    for pattern, p in task.patterns(corpus).items():
        yield f"patterns/{pattern}/{name}", corpus.match(p).to_arrow()
    if labels := task.labels(corpus):
        yield f"labels/{name}", corpus.annotate(labels).to_arrow()
    for machine, m in task.state_machines(corpus).items():
        yield f"state_machines/{machine}/{name}", corpus.state_spans(m).to_arrow()


def run_unit(raw: dict[str, Any], source: str, unit: Unit, out_dir: str) -> int:
    """Runs the task (its configuration `raw`, read from `source`) over one unit and
    writes its files; returns the number of label rows written."""
    task = Task.from_dict(raw, source)
    corpus = _load(task, unit)
    for relative, table in _construct_outputs(task, corpus, unit.out):
        write_parquet(table, Path(out_dir) / relative)
    if task.config is None:
        return 0
    labels = task.run(corpus)
    write_parquet(labels.to_arrow().cast(LABEL_SCHEMA), Path(out_dir) / unit.out)
    return labels.height


@contextlib.contextmanager
def local_client(workers: int) -> Iterator[Any]:
    """A client of a local Dask cluster of `workers` processes, each running one unit at
    a time.

    The workers keep glibc's own allocation thresholds: Dask's default of trimming the
    heap at 64 kB maps every large array afresh, which makes the array-heavy task runs
    several times slower. The Parquet readers' thread pools (Arrow's, polars') share the
    machine's cores among the workers instead of one thread each (Dask's default for
    Arrow) or every core each (polars' own). The workers' sampling profiler (the
    dashboard's profile page) is off: walking the running thread's stack every 10 ms
    takes the interpreter lock from the mostly-Python glue between array passes.
    """
    import dask
    from distributed import Client, LocalCluster

    threads = str(max(1, (os.cpu_count() or 1) // workers))
    environ = dict(dask.config.get("distributed.nanny.pre-spawn-environ", {}))
    environ.pop("MALLOC_TRIM_THRESHOLD_", None)
    environ.update(OMP_NUM_THREADS=threads, POLARS_MAX_THREADS=threads)
    with (
        dask.config.set({"distributed.nanny.pre-spawn-environ": environ, "distributed.worker.profile.enabled": False}),
        LocalCluster(n_workers=workers, threads_per_worker=1, processes=True) as cluster,
        Client(cluster) as client,
    ):
        yield client


def _check_writable(task: Task) -> None:
    """MEDS labels need a prediction time: an ACES part must name an index timestamp.
    Pattern and state machine names must be usable as folder names."""
    if task.config is not None and not any(w.index_timestamp for w in task.config.windows.values()):
        raise TaskFileError(task.source, "windows", "no window has an index_timestamp (the prediction time)")
    for kind, names in (
        ("patterns", task.patterns(task.time_unit)),
        ("state_machines", task.state_machines(task.time_unit)),
    ):
        for name in names:
            if not _FOLDER_NAME.fullmatch(name):
                raise TaskFileError(
                    task.source, f"tidemark.{kind}.{name}", "names an output folder: use letters, digits, _, - and ."
                )


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
    Parquet file per shard (or per slice of a saved corpus) under `out`, and the outputs
    of its `tidemark:` section beside them (see the module's description); with a
    `dask.distributed` `client`, the units run on its workers. Returns the number of
    label rows written. The files are the same with or without a client."""
    _check_writable(task)
    n_slices = slices or (len(client.scheduler_info()["workers"]) if client is not None else 1)
    units = plan(data, n_slices)
    raw, source = task.to_dict(), task.source
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
