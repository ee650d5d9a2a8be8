"""Task files end to end from MEDS Parquet: tidemark beside ACES in the same run.

ACES's six sample task files and two MEDS-DEV-style tasks (bench/tasks/) run over a
synthetic MEDS dataset of stays (default 100,000 subjects in four shards), each engine in
a process of its own reading every shard and producing labels: wall time and peak
memory (the process's maximum resident set) per task, labels checked equal (subject,
prediction time, label), then all tasks through tidemark in one process and on local
Dask clusters of 1 and 2 worker processes, with the cores each kept busy.

Usage: python bench/bench_tasks.py [N_SUBJECTS]; ACES runs from .venv-aces (make test
builds it).
"""

import importlib
import json
import multiprocessing
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
import polars as pl
from synthetic_stays import write_dataset

ROOT = Path(__file__).resolve().parent.parent
ACES_PYTHON = ROOT / ".venv-aces" / "bin" / "python"
SAMPLES = ROOT / ".venv-aces" / "sdist" / "es_aces-0.7.3" / "sample_configs"
RUNNER = ROOT / "tests" / "oracle" / "aces_runner.py"
N_SHARDS = 4

TIDEMARK = """
import sys
from tidemark_corpus.scale import run_task
from tidemark_corpus.tasks import Task
run_task(Task.from_yaml(sys.argv[1]), sys.argv[2], sys.argv[3])
"""
# Runs a script (argv[1:]) and prints the process's peak resident set (kB) last on
# standard error; the peak of the process image itself, which exec starts afresh.
PEAK = """
import runpy, sys
sys.argv = sys.argv[1:]
try:
    runpy.run_path(sys.argv[0], run_name="__main__")
finally:
    print(next(line for line in open("/proc/self/status") if line.startswith("VmHWM")).split()[1], file=sys.stderr)
"""


def measured(python: Path | str, script: Path, args: list[str]) -> tuple[float, float]:
    """Wall seconds and peak resident MB of a script run in a process of its own."""
    begin = time.perf_counter()
    done = subprocess.run([str(python), "-c", PEAK, str(script), *args], capture_output=True, text=True, cwd=ROOT)
    if done.returncode != 0:
        raise RuntimeError(f"{script.name} failed: {done.stderr[-2000:]}")
    return time.perf_counter() - begin, int(done.stderr.split()[-1]) / 1024


def aces_labels(outs: list[Path]) -> pl.DataFrame:
    frames = []
    for out in outs:
        error = Path(f"{out}.error")
        if error.exists():
            raise RuntimeError(error.read_text())
        frame = pl.read_parquet(out)
        if frame.height:
            label = (pl.col("label") > 0) if "label" in frame.columns else pl.lit(None, pl.Boolean)
            frames.append(
                frame.filter(pl.col("trigger").is_not_null()).select(
                    "subject_id", pl.col("index_timestamp").alias("prediction_time"), label.alias("boolean_value")
                )
            )
    return pl.concat(frames).sort(pl.all())


def ours(folder: Path) -> pl.DataFrame:
    frames = [
        pl.read_parquet(f, columns=["subject_id", "prediction_time", "boolean_value"])
        for f in folder.rglob("*.parquet")
    ]
    return pl.concat(frames).sort(pl.all())


def _cpu_seconds() -> float:
    """This process's processor time so far (user and system, its threads included)."""
    used = resource.getrusage(resource.RUSAGE_SELF)
    return used.ru_utime + used.ru_stime


def _run_all(tasks: list[Path], data: Path, out: Path, client: object = None) -> float:
    from tidemark_corpus.scale import run_task
    from tidemark_corpus.tasks import Task

    begin = time.perf_counter()
    for task in tasks:
        run_task(Task.from_yaml(task), data, out / task.stem, client=client)
    return time.perf_counter() - begin


def _stream_arrays(_: object = None) -> float:
    """Seconds for array passes that stream through memory (64 MB arrays, as a task run's
    passes over a shard's columns do)."""
    a = np.ones(8_000_000)
    begin = time.perf_counter()
    for _ in range(20):
        a = a * 1.0001 + 0.5
    return time.perf_counter() - begin


def parallel_ceiling() -> float:
    """How much faster two processes finish two memory-bound jobs than one process runs
    them one after the other, on this machine: the most any 2-worker run of array work
    can gain, however it is scheduled."""
    alone = min(_stream_arrays() for _ in range(3))
    with multiprocessing.get_context("spawn").Pool(2) as pool:
        together = min(max(pool.map(_stream_arrays, [0, 1])) for _ in range(3))
    return 2 * alone / together


def dask_ratio(tasks: list[Path], data: Path, work: Path) -> None:
    """All tasks in this process, then on local Dask clusters of 1 and of 2 worker
    processes (the same kind of cluster, its start and the workers' imports not timed),
    each with the processor time it used: cores busy = processor seconds / wall seconds."""
    from tidemark_corpus.scale import local_client

    cpu = _cpu_seconds()
    wall = _run_all(tasks, data, work / "here")
    print(f"\nall tasks, tidemark: this process {wall:.1f} s, {(_cpu_seconds() - cpu) / wall:.2f} cores busy")
    walls = {}
    for workers in (1, 2):
        with local_client(workers) as client:
            client.run(importlib.import_module, "tidemark_corpus.scale")  # each worker's imports, once
            cpu = sum(client.run(_cpu_seconds).values())
            walls[workers] = _run_all(tasks, data, work / f"dask-{workers}", client)
            busy = (sum(client.run(_cpu_seconds).values()) - cpu) / walls[workers]
        print(f"  {workers} Dask worker(s): {walls[workers]:.1f} s, {busy:.2f} cores busy")
    print(f"  2 workers against 1: {walls[1] / walls[2]:.2f}x")
    print(f"  (this machine's ceiling for memory-bound array work on 2 processes: {parallel_ceiling():.2f}x)")


def main() -> None:
    n_subjects = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    tasks = [*sorted(SAMPLES.glob("*.yaml")), *sorted((ROOT / "bench" / "tasks").glob("*.yaml"))]
    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        rows = write_dataset(work / "meds", n_subjects, N_SHARDS)
        shards = sorted((work / "meds" / "data").rglob("*.parquet"))
        driver = work / "tidemark_run.py"
        driver.write_text(TIDEMARK)
        print(f"{n_subjects} subjects, {rows} rows in {len(shards)} shards\n")
        header = ("task", "labels", "tidemark s", "ACES s", "speed-up", "tidemark MB", "ACES MB", "memory")
        print(f"{header[0]:24} " + " ".join(f"{h:>{max(8, len(h))}}" for h in header[1:]) + "  equal")
        for task in tasks:
            out = work / "tidemark" / task.stem
            t_time, t_mem = measured(sys.executable, driver, [str(task), str(work / "meds"), str(out)])
            outs = [work / "aces" / task.stem / f"{k}.parquet" for k in range(len(shards))]
            outs[0].parent.mkdir(parents=True)
            jobs = work / "aces" / f"{task.stem}.json"
            jobs.write_text(
                json.dumps([{"config": str(task), "data": str(s), "out": str(o)} for s, o in zip(shards, outs)])
            )
            a_time, a_mem = measured(ACES_PYTHON, RUNNER, [str(jobs)])
            mine, theirs = ours(out), aces_labels(outs)
            print(
                f"{task.stem:24} {mine.height:>8} {t_time:>10.1f} {a_time:>8.1f} {a_time / t_time:>7.1f}x "
                f"{t_mem:>11.0f} {a_mem:>8.0f} {a_mem / t_mem:>7.1f}x  {mine.equals(theirs)}"
            )
        dask_ratio(tasks, work / "meds", work)


if __name__ == "__main__":
    main()
