"""A synthetic MEDS dataset of hospital stays for the task-file benchmark, written with
vectorised NumPy: admissions and discharges (or a death ending the last stay), SpO2 and
other labs with values during each stay, ICU stays, invasive ventilation and myocardial
infarction diagnoses, with the codes that ACES's sample task files and MEDS-DEV-style
tasks name; a static sex row per subject; sharded by subject."""

from pathlib import Path

import numpy as np
import pyarrow as pa
import pyarrow.parquet as pq

MINUTE_US = 60_000_000
DAY = 24 * 60
SPO2 = "lab_name//O2 saturation pulseoxymetry (%)"
VENT = "procedure//Invasive Ventilation"


def _stays(rng: np.random.Generator, n_subjects: int):
    """Per stay: its subject index, start minute, length in minutes and whether it ends in death."""
    per_subject = rng.poisson(1.3, n_subjects) + 1
    subject = np.repeat(np.arange(n_subjects), per_subject)
    length = np.clip(rng.lognormal(np.log(4 * DAY), 0.6, len(subject)), DAY + 60, 20 * DAY).astype(np.int64)
    gap = rng.exponential(200 * DAY, len(subject)).astype(np.int64) + 2 * DAY
    first = np.cumsum(per_subject) - per_subject
    ends = np.cumsum(gap + length)
    start = ends - length - np.repeat(ends[first] - length[first] - gap[first], per_subject)
    start += np.repeat(rng.integers(20_000_000, 26_000_000, n_subjects), per_subject)
    last = np.zeros(len(subject), dtype=bool)
    last[np.cumsum(per_subject) - 1] = True
    died = last & (rng.random(len(subject)) < 0.06)
    return subject, start, length, died


def write_dataset(root: Path, n_subjects: int, n_shards: int, seed: int = 7) -> int:
    """Writes `root/data/train/{k}.parquet`; returns the number of rows written."""
    rng = np.random.default_rng(seed)
    subject, start, length, died = _stays(rng, n_subjects)
    parts: list[tuple[np.ndarray, np.ndarray, np.ndarray, np.ndarray]] = []

    def add(rows, minutes, codes, values=None):
        values = np.full(len(rows), np.nan, dtype=np.float32) if values is None else values.astype(np.float32)
        parts.append((subject[rows], minutes, np.asarray(codes, dtype=object), values))

    stays = np.arange(len(subject))
    add(stays, start, np.where(rng.random(len(stays)) < 0.6, "ADMISSION//EMERGENCY", "ADMISSION//ELECTIVE"))
    add(
        stays,
        start + length,
        np.where(died, "DEATH", np.where(rng.random(len(stays)) < 0.7, "DISCHARGE//HOME", "DISCHARGE//SNF")),
    )
    for code, every, mean, sd in (
        (SPO2, DAY, 95.0, 6.0),
        ("HR", DAY, 85.0, 15.0),
        ("LAB//creatinine", 2 * DAY, 1.2, 0.5),
    ):
        counts = length // every
        rows = np.repeat(stays, counts)
        minutes = start[rows] + 1 + (rng.random(len(rows)) * (length[rows] - 2)).astype(np.int64)
        add(rows, minutes, np.full(len(rows), code), np.round(rng.normal(mean, sd, len(rows)), 1))
    icu = stays[rng.random(len(stays)) < 0.3]
    add(icu, start[icu] + 60, np.full(len(icu), "ICU_ADMISSION//MICU"))
    alive = icu[~died[icu]]
    add(alive, start[alive] + length[alive] - 120, np.full(len(alive), "ICU_DISCHARGE//MICU"))
    vent = stays[rng.random(len(stays)) < 0.1]
    on = start[vent] + 90
    off = on + (rng.random(len(vent)) * (length[vent] - 240)).astype(np.int64) + 30
    for minutes, marker in ((on, "PROCEDURE_START"), (off, "PROCEDURE_END")):
        add(vent, minutes, np.full(len(vent), marker))
        add(vent, minutes, np.full(len(vent), VENT))
    mi = stays[rng.random(len(stays)) < 0.08]
    add(mi, start[mi] + 30, np.where(rng.random(len(mi)) < 0.5, "diagnosis//ICD9CM_41071", "diagnosis//ICD10CM_I214"))

    subjects = np.concatenate([p[0] for p in parts])
    minutes = np.concatenate([p[1] for p in parts])
    order = np.lexsort((minutes, subjects))
    events = pa.table(
        {
            "subject_id": subjects[order].astype(np.int64),
            "time": pa.array(minutes[order] * MINUTE_US, pa.int64()).cast(pa.timestamp("us")),
            "code": pa.array(np.concatenate([p[2] for p in parts])[order], pa.string()),
            "numeric_value": pa.array(np.concatenate([p[3] for p in parts])[order], pa.float32(), from_pandas=True),
        }
    )
    statics = pa.table(
        {
            "subject_id": np.arange(n_subjects, dtype=np.int64),
            "time": pa.nulls(n_subjects, pa.timestamp("us")),
            "code": pa.array(np.where(rng.random(n_subjects) < 0.5, "SEX//male", "SEX//female"), pa.string()),
            "numeric_value": pa.nulls(n_subjects, pa.float32()),
        }
    )
    table = pa.concat_tables([statics, events]).sort_by([("subject_id", "ascending")])
    shard_of = table["subject_id"].to_numpy() % n_shards
    (root / "data" / "train").mkdir(parents=True, exist_ok=True)
    for shard in range(n_shards):
        pq.write_table(table.filter(pa.array(shard_of == shard)), root / "data" / "train" / f"{shard}.parquet")
    return table.num_rows
