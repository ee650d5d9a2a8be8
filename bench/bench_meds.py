"""End to end over a synthetic MEDS dataset (100,000 subjects, about 10 M events in
10 Parquet shards): four queries timed from the Parquet files and from a saved
corpus through tidemark_corpus, beside the same query in polars, in the same run.
Every measurement runs in its own spawned process so that its peak memory (maximum
resident set, imports included) is its own, three times, the fastest kept; the answers
are checked equal.

A cohort or count query names every code its answer depends on, so it reads only
those rows (`codes=`); the label and state queries read every event."""

import multiprocessing
import sys
import tempfile
import time
from pathlib import Path

import numpy as np
import polars as pl
from meds_queries import QUERIES, UNIT
from polars.testing import assert_frame_equal
from synthetic_meds import write_dataset

from tidemark_corpus import Corpus

# The number of subjects can be given as the first argument, for a quick run.
N_SUBJECTS = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
MEAN_EVENTS = 100
N_SHARDS = 10
REPEATS = 3


def _peak_mb() -> float:
    """This process's peak resident memory (VmHWM, which starts afresh in a spawned process)."""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    raise RuntimeError("no VmHWM line in /proc/self/status")


def _measure(kind: str, query: str, root: str, out: str) -> tuple[float, float]:
    """Runs one measurement in this (fresh) process: seconds and peak memory in MB."""
    meds, saved = Path(root) / "meds", Path(root) / "saved"
    start = time.perf_counter()
    if kind == "imports":
        result = None
    elif kind == "floor":
        corpus = Corpus.open(saved)
        np.count_nonzero(corpus.token_ids == corpus.token_ids[0])
        result = None
    else:
        run_tidemark, run_polars, codes = QUERIES[query]
        if kind == "polars":
            result = run_polars(pl.scan_parquet(sorted((meds / "data").glob("*.parquet"))))
        elif kind == "parquet":
            result = run_tidemark(Corpus.from_meds(meds, unit=UNIT, codes=codes))
        else:
            result = run_tidemark(Corpus.open(saved))
    seconds = time.perf_counter() - start
    peak = _peak_mb()
    if result is not None:
        result.write_ipc(out)
    return seconds, peak


def _child(args: tuple[str, str, str, str], queue: "multiprocessing.Queue[tuple[float, float]]") -> None:
    queue.put(_measure(*args))


def _measure_once(kind: str, query: str, root: Path, out: Path) -> tuple[float, float]:
    context = multiprocessing.get_context("spawn")
    queue = context.Queue()
    child = context.Process(target=_child, args=((kind, query, str(root), str(out)), queue))
    child.start()
    seconds, peak = queue.get()
    child.join()
    if child.exitcode != 0:
        sys.exit(f"{kind} {query}: the measuring process failed ({child.exitcode})")
    return seconds, peak


def measure(kind: str, query: str, root: Path) -> tuple[float, float, Path]:
    """The fastest of REPEATS runs (other work on the machine only ever slows a run
    down) and its peak memory."""
    out = root / f"{query}-{kind}.arrow"
    seconds, peak = min(_measure_once(kind, query, root, out) for _ in range(REPEATS))
    return seconds, peak, out


def main() -> None:
    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        t0 = time.perf_counter()
        n_rows = write_dataset(root / "meds", N_SUBJECTS, MEAN_EVENTS, N_SHARDS)
        corpus = Corpus.from_meds(root / "meds", unit=UNIT)
        corpus.save(root / "saved")
        print(
            f"{corpus.n_subjects} subjects, {corpus.n_events} events ({n_rows} rows with static ones) "
            f"in {N_SHARDS} shards; written and saved in {time.perf_counter() - t0:.1f} s"
        )
        del corpus
        imports_s, imports_mb, _ = measure("imports", "", root)
        floor_s, floor_mb, _ = measure("floor", "", root)
        print(f"imports alone: {imports_mb:.0f} MB peak (included in every peak below)")
        print(
            f"open the saved corpus + one np.count_nonzero pass over its token ids: {floor_s:.3f} s, {floor_mb:.0f} MB"
        )
        header = f"{'query':<8} {'polars':>14} {'tidemark from Parquet':>30} {'tidemark from saved corpus':>30}"
        print(header)
        print("-" * len(header))
        for query in QUERIES:
            (p_s, p_mb, p_out), (q_s, q_mb, q_out), (c_s, c_mb, c_out) = (
                measure(kind, query, root) for kind in ("polars", "parquet", "saved")
            )
            expected = pl.read_ipc(p_out)
            for out in (q_out, c_out):
                assert_frame_equal(pl.read_ipc(out), expected, check_dtypes=False)
            print(
                f"{query:<8} {p_s:7.2f} s {p_mb:4.0f} MB"
                f" {q_s:8.2f} s ({p_s / q_s:4.1f}x) {q_mb:5.0f} MB"
                f" {c_s:8.3f} s ({p_s / c_s:4.1f}x) {c_mb:5.0f} MB"
                + (f"  [{c_s / floor_s:.2f}x the floor]" if query == "cohort" else "")
            )
        print("(Nx: polars time / tidemark time; answers equal to polars in every row)")


if __name__ == "__main__":
    main()
