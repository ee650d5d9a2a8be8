"""The synthetic corpus written as a MEDS dataset (sharded Parquet), read back with
tidemark_corpus and queried into tables with patient ids and real datetimes."""

import json
import math
from pathlib import Path

import numpy as np
import polars as pl
import pyarrow as pa
import pyarrow.compute as pc
import pyarrow.parquet as pq
from state_episodes import episode_machine
from tidemark import AnnotationSpec, Pattern

from tidemark_corpus import Corpus, duration, write_labels

START = np.datetime64("2024-01-01T00:00", "us")
SHARDS = 3


def write_meds(corpus, root):
    """`root/data/shard_*.parquet` (each patient in one shard, a static sex row per patient)
    and `root/metadata/dataset.json`; the hourly times become datetimes to the minute."""
    rows = {"subject_id": [], "time": [], "code": [], "numeric_value": []}
    for k, (_, tokens, times, values) in enumerate(corpus):
        subject = 10_000 + k
        for token, t, v in [("SEX//" + "FM"[k % 2], None, math.nan), *zip(tokens, times, values)]:
            rows["subject_id"].append(subject)
            rows["time"].append(None if t is None else START + np.timedelta64(round(t * 60), "m"))
            rows["code"].append(token)
            rows["numeric_value"].append(None if math.isnan(v) else v)
    table = pa.table(
        {
            "subject_id": pa.array(rows["subject_id"], pa.int64()),
            "time": pa.array(rows["time"], pa.timestamp("us")),
            "code": pa.array(rows["code"], pa.string()),
            "numeric_value": pa.array(rows["numeric_value"], pa.float32()),
        }
    )
    (root / "data").mkdir(parents=True, exist_ok=True)
    (root / "metadata").mkdir(exist_ok=True)
    shard = pa.array(np.asarray(table["subject_id"]) % SHARDS)
    for s in range(SHARDS):
        pq.write_table(table.filter(pc.equal(shard, s)), root / "data" / f"shard_{s}.parquet")
    (root / "metadata" / "dataset.json").write_text(json.dumps({"dataset_name": "tidemark demo"}))
    return table.num_rows


def vasopressor_after_lactate():
    p = Pattern(max_dt=duration("48h"))
    p.add_event("LAB_LACTATE", min_val=4.0)
    p.add_event("MED_VASOPRESSOR", block_token="DISCHARGE", max_dt=duration("24h"))
    return p


def show_meds_tables(corpus, root):
    n_rows = write_meds(corpus, Path(root))
    meds = Corpus.from_meds(root)
    print(f"  {n_rows} rows in {SHARDS} Parquet shards -> {meds!r}")
    pl.Config.set_tbl_hide_dataframe_shape(True)
    pl.Config.set_tbl_width_chars(120)

    print("\n  lactate >= 4 then a vasopressor within 24 h (first per patient):")
    found = meds.match(vasopressor_after_lactate(), first_only=True)
    hours = (pl.col("end_time") - pl.col("start_time")).dt.total_minutes() / 60
    print(
        found.select(
            "subject_id",
            lactate_at="start_time",
            vasopressor_at="end_time",
            hours_later=hours.round(1),
        ).head(6)
    )

    print("\n  admission episodes (state machine), the first rows:")
    episodes = meds.state_spans(episode_machine(), include_invalid=False)
    print(episodes.select("subject_id", "state", "start_time", "end_time", "n_events", "close_reason").head(6))

    print("\n  label columns for one patient's first events:")
    specs = [
        AnnotationSpec.future_occurrence(
            "vasopressor_next_24h", "MED_VASOPRESSOR", duration("24h"), partial_window=True
        ),
        AnnotationSpec.window_aggregate(
            "max_lactate_past_12h", "LAB_LACTATE", duration("12h"), "max", forward=False, partial_window=True
        ),
    ]
    labels = meds.annotate(specs)
    first = labels.filter(pl.col("subject_id") == meds.subject_ids[0])
    print(first.head(8))

    out = Path(root) / "labels" / "vasopressor_next_24h.parquet"
    per_admission = labels.filter(pl.col("code") == "ADMIT").select(
        "subject_id", prediction_time="time", boolean_value=pl.col("vasopressor_next_24h") == 1
    )
    write_labels(per_admission, out)
    print(f"\n  {per_admission.height} admissions labelled; MEDS labels written to {out}")
