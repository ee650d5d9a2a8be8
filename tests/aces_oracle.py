"""ACES as an oracle: runs task configurations on MEDS shards in ACES's own interpreter
(a separate virtual environment, `.venv-aces`, made by the Makefile, since ACES pins an
older polars) and returns its rows in the shape that `Task.run(..., summaries=True)`
gives, for an exact comparison."""

import json
import os
import subprocess
import sys
from pathlib import Path

import polars as pl

ROOT = Path(__file__).resolve().parent.parent
PYTHON = Path(os.environ.get("TIDEMARK_ACES_PYTHON", ROOT / ".venv-aces" / "bin" / "python"))
RUNNER = Path(__file__).resolve().parent / "oracle" / "aces_runner.py"


def available() -> bool:
    return PYTHON.is_file()


def run_aces(jobs: list[tuple[Path, Path]], workdir: Path) -> list[pl.DataFrame | str]:
    """ACES's result for each (task YAML, MEDS Parquet file) job, or its error text."""
    listed = [
        {"config": str(c), "data": str(d), "out": str(workdir / f"aces_{i}.parquet")} for i, (c, d) in enumerate(jobs)
    ]
    spec = workdir / "aces_jobs.json"
    spec.write_text(json.dumps(listed))
    subprocess.run([str(PYTHON), str(RUNNER), str(spec)], check=True, stdout=sys.stderr)
    results: list[pl.DataFrame | str] = []
    for job in listed:
        error = Path(job["out"] + ".error")
        results.append(error.read_text() if error.exists() else pl.read_parquet(job["out"]))
    return results


def _self_bound(window: dict) -> bool:
    """ACES fault: a boundary defined as the next (`start -> p`, `null` end) or previous
    (`end <- p`, `null` start) event of a predicate takes the other boundary's own event
    when only the far end is inclusive, making a one-point window that the
    documentation rules out (the start "an iota after" an exclusive start)."""
    end, start = str(window.get("end")), str(window.get("start"))
    forward = end.startswith("start") or window.get("end") is None
    backward = start.startswith("end") or window.get("start") is None
    flags = (window["start_inclusive"], window["end_inclusive"])
    return (forward and "->" in f"{end} ->" and flags == (False, True)) or (
        backward and "<-" in f"{start} <-" and flags == (True, False)
    )


def aces_faults(task: dict) -> list[str]:
    """The documented ACES faults that a task configuration reaches and that change its
    rows, by name; such tasks are not compared."""
    faults = []
    if any(_self_bound(w) for w in task.get("windows", {}).values()):
        faults.append("one-point window from an exclusive boundary")
    return faults


def _index_from_offset_end(task: dict) -> bool:
    """ACES fault: `index_timestamp` of a window whose start is its end minus a duration
    gives the other boundary (ACES reads the edge's summary backwards)."""
    return any(
        w.get("index_timestamp") and str(w.get("start")).startswith("end -") for w in task.get("windows", {}).values()
    )


def comparable(ours: pl.DataFrame, aces: pl.DataFrame, task: dict) -> tuple[pl.DataFrame, pl.DataFrame]:
    """Both results with the same columns in the same order and rows sorted: ours renamed
    to ACES's names (`prediction_time` is `index_timestamp`, the label a count > 0).

    Two ACES faults are set aside by name: rows ACES emits with a null trigger for
    subjects with no realized trigger, and the index timestamp of a window whose start
    is its end minus a duration (the window's own boundaries are still compared)."""
    if aces.is_empty() and not aces.columns:
        aces = pl.DataFrame(schema={"subject_id": pl.Int64, "trigger": pl.Datetime("us")})
    aces = aces.filter(pl.col("trigger").is_not_null())
    if _index_from_offset_end(task):
        aces = aces.drop("index_timestamp", strict=False)
    if "label" in aces.columns:
        aces = aces.with_columns(pl.col("label") > 0)
    renamed = ours.rename({"prediction_time": "index_timestamp", "boolean_value": "label"})
    shared = [c for c in aces.columns if c in renamed.columns]
    ours_rows = renamed.select(shared).sort(["subject_id", "trigger"])
    aces_rows = aces.select(shared).cast({c: renamed.schema[c] for c in shared}).sort(["subject_id", "trigger"])
    return ours_rows, aces_rows
