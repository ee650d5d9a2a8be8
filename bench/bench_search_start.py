"""The native cost of the two bench_meds search queries on their own, without
Parquet decoding or table building: the cohort query (first creatinine > 2.0, then
vancomycin within 48 h, no discharge between) over every event of a saved corpus,
and the count query (every admission, then lactate > 4.0 within 6 h) over the
admission and lactate rows only, as bench_meds reads them. Each is printed beside
one np.count_nonzero pass over the same token ids, measured in the same run."""

import sys
import tempfile
import time
from pathlib import Path

import numpy as np
from meds_queries import ADMIT, CREAT, DISCHARGE, LACTATE, UNIT, VANC, above
from synthetic_meds import write_dataset
from tidemark import Pattern, TideQuery

from tidemark_corpus import Corpus, _native, duration

N_SUBJECTS = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
REPEATS = 7


def best(run) -> float:
    """The fastest of REPEATS runs: other work on the machine only slows a run down."""
    times = []
    for _ in range(REPEATS):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def cohort() -> TideQuery:
    p = Pattern()
    p.add_event(CREAT, min_val=above(2.0))
    p.add_event(VANC, block_token=DISCHARGE, max_dt=duration("48h", UNIT))
    return TideQuery(p)


def count() -> TideQuery:
    p = Pattern()
    p.add_event(ADMIT)
    p.add_event(LACTATE, min_val=above(4.0), max_dt=duration("6h", UNIT))
    return TideQuery(p)


def report(name: str, corpus: Corpus, run) -> None:
    arrays = (corpus.token_ids, corpus.times, corpus.offsets, corpus.values)
    floor = best(lambda: np.count_nonzero(corpus.token_ids == corpus.token_ids[0]))
    seconds = best(lambda: run(*arrays))
    print(f"{name:<34} {corpus.n_events:>10} {seconds:8.4f} s {floor:8.4f} s {seconds / floor:7.2f}x")


def main() -> None:
    with tempfile.TemporaryDirectory() as tmp:
        meds = Path(tmp) / "meds"
        write_dataset(meds, N_SUBJECTS, 100, 10)
        whole = Corpus.from_meds(meds, unit=UNIT)
        kept = Corpus.from_meds(meds, unit=UNIT, codes=[ADMIT, LACTATE])
        print(f"{'query':<34} {'events':>10} {'native':>10} {'floor':>10} {'ratio':>8}")
        report("cohort, first match per subject", whole, lambda *a: _native._corpus_match(cohort(), *a, True))
        report("count, every match", kept, lambda *a: _native._corpus_match_counts(count(), *a))


if __name__ == "__main__":
    main()
