"""MEDS-shaped event tables for the corpus tests: a hypothesis strategy, shard writing
and a plain per-subject reference of what a corpus must hold."""

import math
from pathlib import Path

import numpy as np
import pyarrow as pa
import pyarrow.parquet as pq
from hypothesis import strategies as st

CODES = ["ADMIT", "LAB_LACTATE", "LAB_CREATININE", "MED_VANCOMYCIN", "DISCHARGE", "DX_SEPSIS"]
MEDS_SCHEMA = pa.schema(
    [
        ("subject_id", pa.int64()),
        ("time", pa.timestamp("us")),
        ("code", pa.string()),
        ("numeric_value", pa.float32()),
    ]
)

# One row: subject, time in microseconds (None: static), code, value (None: absent).
# Few subjects and a small time range, so that subjects repeat and timestamps are shared.
rows = st.tuples(
    st.sampled_from([3, 7, 11, 1_000_000_000_000]),
    st.one_of(st.none(), st.integers(0, 12).map(lambda k: 1_700_000_000_000_000 + k * 1_800_000_001)),
    st.sampled_from(CODES),
    st.one_of(st.none(), st.floats(-10, 10, width=32)),
)
tables = st.lists(rows, max_size=40)
# Shard boundaries: cut points into the row list (equal cuts make empty shards).
cuts = st.lists(st.integers(0, 40), max_size=3).map(sorted)


def table_of(rows):
    subjects, times, codes, values = zip(*rows) if rows else ((), (), (), ())
    return pa.table(
        [
            pa.array(subjects, pa.int64()),
            pa.array(times, pa.int64()).cast(pa.timestamp("us")),
            pa.array(codes, pa.string()),
            pa.array(values, pa.float32()),
        ],
        schema=MEDS_SCHEMA,
    )


def write_shards(root, rows, cuts=()):
    """A MEDS dataset folder under `root` whose shards split `rows` at `cuts`; returns `root`."""
    data = Path(root) / "data"
    data.mkdir(parents=True, exist_ok=True)
    bounds = [0, *[min(c, len(rows)) for c in cuts], len(rows)]
    for i, (a, b) in enumerate(zip(bounds[:-1], bounds[1:])):
        pq.write_table(table_of(rows[a:b]), data / f"shard_{i}.parquet")
    return Path(root)


def reference(rows):
    """Per subject (ascending): its events sorted stably by time and its static rows, in
    input order; rows are (time in microseconds or None, code, value or None)."""
    out = {}
    for subject, time, code, value in rows:
        events, statics = out.setdefault(subject, ([], []))
        (statics if time is None else events).append((time, code, value))
    return {s: (sorted(e, key=lambda r: r[0]), st) for s, (e, st) in sorted(out.items())}


def _value(v):
    return None if math.isnan(v) else float(v)


def corpus_rows(corpus):
    """The same shape as `reference`, read back from a corpus (times in microseconds)."""
    micros = corpus.to_datetime(corpus.times).astype(np.int64)
    out = {}
    for i, s in enumerate(corpus.subject_ids.tolist()):
        a, b = corpus.offsets[i], corpus.offsets[i + 1]
        c, d = corpus.static_offsets[i], corpus.static_offsets[i + 1]
        events = [
            (int(t), corpus.vocabulary[k], _value(v))
            for t, k, v in zip(micros[a:b], corpus.code_index[a:b], corpus.values[a:b])
        ]
        statics = [
            (None, corpus.vocabulary[k], _value(v))
            for k, v in zip(corpus.static_code_index[c:d], corpus.static_values[c:d])
        ]
        out[s] = (events, statics)
    return out
