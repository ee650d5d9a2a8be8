"""A synthetic MEDS dataset written with vectorised NumPy: subjects with admissions,
discharges, lab results (float32 values), medications, filler codes and static rows,
sharded so that each subject sits in one file, every shard sorted by subject and time."""

from pathlib import Path

import numpy as np
import pyarrow as pa
import pyarrow.parquet as pq

NAMED = {"ADMIT": 0.03, "DISCHARGE": 0.03, "LAB_CREATININE": 0.08, "LAB_LACTATE": 0.06, "MED_VANCOMYCIN": 0.04}
FILLER = [f"{kind}_{i:03d}" for kind in ("LAB", "MED", "DX", "PROC") for i in range(50)]
STATIC = ["GENDER//F", "GENDER//M", "ETHNICITY//A", "ETHNICITY//B"]
MINUTE_US = 60_000_000


def _values(codes: np.ndarray, vocab: list[str], rng: np.random.Generator) -> np.ndarray:
    """Creatinine and lactate values in tenths (float32), NaN for other codes."""
    values = np.full(len(codes), np.nan, dtype=np.float32)
    for code, median, spread in (("LAB_CREATININE", 1.3, 0.5), ("LAB_LACTATE", 2.2, 0.6)):
        rows = codes == vocab.index(code)
        values[rows] = np.round(rng.lognormal(np.log(median), spread, int(rows.sum())), 1)
    return values


def write_dataset(root: Path, n_subjects: int, mean_events: int, n_shards: int, seed: int = 3) -> int:
    """Writes `root/data/shard_*.parquet`; returns the number of rows written."""
    rng = np.random.default_rng(seed)
    vocab = [*NAMED, *FILLER]
    weights = np.array([*NAMED.values(), *[(1 - sum(NAMED.values())) / len(FILLER)] * len(FILLER)])
    subjects = np.sort(rng.choice(10 * n_subjects, n_subjects, replace=False)).astype(np.int64) + 1_000_000
    counts = np.maximum(rng.poisson(mean_events, n_subjects), 1)
    n = int(counts.sum())
    starts = np.repeat(np.cumsum(counts) - counts, counts)
    codes = rng.choice(len(vocab), n, p=weights)
    # Gaps of about three hours in whole minutes, a fifth of them zero (shared timestamps).
    gaps = np.round(rng.exponential(180, n)) * (rng.random(n) > 0.2)
    gaps[np.cumsum(counts) - counts] = 0
    minutes = np.cumsum(gaps).astype(np.int64)
    minutes -= minutes[starts]
    first = rng.integers(23_000_000, 28_000_000, n_subjects)  # minutes since 1970: 2013 to 2023
    events = pa.table(
        {
            "subject_id": np.repeat(subjects, counts),
            "time": pa.array((np.repeat(first, counts) + minutes) * MINUTE_US, pa.int64()).cast(pa.timestamp("us")),
            "code": pa.DictionaryArray.from_arrays(pa.array(codes, pa.int32()), vocab).cast(pa.string()),
            "numeric_value": pa.array(_values(codes, vocab, rng), pa.float32(), from_pandas=True),
        }
    )
    statics = pa.table(
        {
            "subject_id": np.repeat(subjects, 2),
            "time": pa.nulls(2 * n_subjects, pa.timestamp("us")),
            "code": pa.array(
                np.array(STATIC, dtype=object)[rng.integers(0, 2, 2 * n_subjects) + np.tile([0, 2], n_subjects)],
                pa.string(),
            ),
            "numeric_value": pa.nulls(2 * n_subjects, pa.float32()),
        }
    )
    table = pa.concat_tables([statics, events]).sort_by([("subject_id", "ascending")])
    shard_of = rng.integers(0, n_shards, n_subjects)[np.searchsorted(subjects, table["subject_id"].to_numpy())]
    data = root / "data"
    data.mkdir(parents=True, exist_ok=True)
    for shard in range(n_shards):
        pq.write_table(table.filter(pa.array(shard_of == shard)), data / f"shard_{shard}.parquet")
    return table.num_rows
