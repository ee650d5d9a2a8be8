"""The four benchmark queries, each as tidemark over a `Corpus` and as polars over the
MEDS Parquet files, both giving the same table (sorted the same way) for one dataset.

Times are whole minutes, so the corpus axis is minutes ("m") and every window
boundary is an exact comparison of integer-valued floats, as in polars."""

import numpy as np
import polars as pl
from tidemark import AnnotationSpec, Pattern, StateMachine

from tidemark_corpus import Corpus, duration

UNIT = "m"
CREAT, LACTATE, VANC, ADMIT, DISCHARGE = "LAB_CREATININE", "LAB_LACTATE", "MED_VANCOMYCIN", "ADMIT", "DISCHARGE"


def above(x: float) -> float:
    """The smallest float64 greater than x: a strict lower bound for the inclusive `min_val`."""
    return float(np.nextafter(x, np.inf))


# Cohort: the first creatinine > 2.0 followed by vancomycin within 48 h, no discharge in between.
def cohort_tidemark(corpus: Corpus) -> pl.DataFrame:
    p = Pattern()
    p.add_event(CREAT, min_val=above(2.0))
    p.add_event(VANC, block_token=DISCHARGE, max_dt=duration("48h", UNIT))
    found = corpus.match(p, first_only=True)
    return found.select(
        "subject_id",
        creat_time=pl.col("element_times").arr.get(0),
        vanc_time=pl.col("element_times").arr.get(1),
    )


def cohort_polars(scan: pl.LazyFrame) -> pl.DataFrame:
    s = "subject_id"

    def next_of(code: str, column: str) -> pl.Expr:
        return pl.when(pl.col("code") == code).then(pl.col(column)).shift(-1).backward_fill().over(s)

    events = (
        scan.filter(pl.col("code").is_in([CREAT, VANC, DISCHARGE]) & pl.col("time").is_not_null())
        .sort(s, "time", maintain_order=True)
        .with_columns(row=pl.int_range(pl.len()).over(s))
        .with_columns(
            next_vanc=next_of(VANC, "row"), vanc_time=next_of(VANC, "time"), next_discharge=next_of(DISCHARGE, "row")
        )
    )
    hits = events.filter(
        (pl.col("code") == CREAT)
        & (pl.col("numeric_value") > 2.0)
        & pl.col("next_vanc").is_not_null()
        & (pl.col("next_discharge").is_null() | (pl.col("next_discharge") > pl.col("next_vanc")))
        & (pl.col("vanc_time") - pl.col("time") <= pl.duration(hours=48))
    )
    first = hits.group_by(s, maintain_order=True).first()
    return first.select(s, creat_time="time", vanc_time="vanc_time").collect()


# Count: lactates > 4 within 6 h after each admission, per subject (subjects with any).
def count_tidemark(corpus: Corpus) -> pl.DataFrame:
    p = Pattern()
    p.add_event(ADMIT)
    p.add_event(LACTATE, min_val=above(4.0), max_dt=duration("6h", UNIT))
    return corpus.count(p).filter(pl.col("n_matches") > 0)


def count_polars(scan: pl.LazyFrame) -> pl.DataFrame:
    s = "subject_id"
    events = (
        scan.filter(pl.col("code").is_in([ADMIT, LACTATE]) & pl.col("time").is_not_null())
        .sort(s, "time", maintain_order=True)
        .with_columns(row=pl.int_range(pl.len()).over(s))
    )
    admits = events.filter(pl.col("code") == ADMIT).select(s, "row", "time")
    lactates = events.filter((pl.col("code") == LACTATE) & (pl.col("numeric_value") > 4.0)).select(s, "row", "time")
    pairs = admits.join(lactates, on=s, suffix="_lactate").filter(
        (pl.col("row_lactate") > pl.col("row")) & (pl.col("time_lactate") - pl.col("time") <= pl.duration(hours=6))
    )
    counts = pairs.group_by(s).agg(n_matches=pl.len().cast(pl.Int64)).sort(s)
    return counts.collect()


# Labels: three columns per event.
def labels_tidemark(corpus: Corpus) -> pl.DataFrame:
    specs = [
        AnnotationSpec.future_occurrence("discharge_48h", DISCHARGE, duration("48h", UNIT)),
        AnnotationSpec.past_occurrence("vancomycin_24h", VANC, duration("24h", UNIT), partial_window=True),
        AnnotationSpec.window_aggregate(
            "max_lactate_6h", LACTATE, duration("6h", UNIT), "max", forward=False, partial_window=True
        ),
    ]
    return corpus.annotate(specs)


def labels_polars(scan: pl.LazyFrame) -> pl.DataFrame:
    s = "subject_id"
    events = scan.filter(pl.col("time").is_not_null()).sort(s, "time", maintain_order=True)

    def times_of(code: str, name: str) -> pl.LazyFrame:
        return events.filter(pl.col("code") == code).select(s, pl.col("time").alias(name), time=pl.col("time"))

    labelled = (
        events.join_asof(
            times_of(DISCHARGE, "next_discharge"), on="time", by=s, strategy="forward", check_sortedness=False
        )
        .join_asof(times_of(VANC, "last_vancomycin"), on="time", by=s, strategy="backward", check_sortedness=False)
        .with_columns(
            discharge_48h=pl.when(pl.col("time") + pl.duration(hours=48) > pl.col("time").max().over(s))
            .then(-1)
            .otherwise((pl.col("next_discharge") - pl.col("time") <= pl.duration(hours=48)).fill_null(False))
            .cast(pl.Int8),
            vancomycin_24h=(pl.col("time") - pl.col("last_vancomycin") <= pl.duration(hours=24))
            .fill_null(False)
            .cast(pl.Int8),
            max_lactate_6h=pl.when(pl.col("code") == LACTATE)
            .then(pl.col("numeric_value").cast(pl.Float64))
            .rolling_max_by("time", window_size="6h", closed="both")
            .over(s)
            .fill_null(np.nan),
        )
    )
    return labelled.select(s, "time", "code", "discharge_48h", "vancomycin_24h", "max_lactate_6h").collect()


# States: admission episodes, ADMIT to DISCHARGE.
def stays() -> StateMachine:
    sm = StateMachine()
    sm.add_state("admitted")
    sm.add_entry("admitted", ADMIT)
    sm.add_exit("admitted", DISCHARGE)
    return sm


def states_tidemark(corpus: Corpus) -> pl.DataFrame:
    spans = corpus.state_spans(stays())
    return spans.select(
        "subject_id",
        "start_row",
        "end_row",
        "start_time",
        "end_time",
        "n_events",
        "valid",
        "close_reason",
    )


def states_polars(scan: pl.LazyFrame) -> pl.DataFrame:
    s = "subject_id"
    admit, discharge = pl.col("code") == ADMIT, pl.col("code") == DISCHARGE
    events = (
        scan.filter(pl.col("time").is_not_null())
        .sort(s, "time", maintain_order=True)
        .with_columns(row=pl.int_range(pl.len()).over(s))
        # Each stretch ends at a discharge; the episode runs from its first admission to that discharge.
        .with_columns(stretch=discharge.cast(pl.Int64).cum_sum().shift(1, fill_value=0).over(s))
    )
    stretches = events.group_by(s, "stretch").agg(
        start_row=pl.col("row").filter(admit).min(),
        start_time=pl.col("time").filter(admit).min(),
        n_events=admit.sum().cast(pl.Int64),
        closed=discharge.any(),
        end_row=pl.col("row").max(),
        end_time=pl.col("time").max(),
    )
    episodes = stretches.filter(pl.col("n_events") > 0).select(
        s,
        "start_row",
        "end_row",
        "start_time",
        "end_time",
        "n_events",
        valid="closed",
        close_reason=pl.when("closed").then(pl.lit("exit_event")).otherwise(pl.lit("end_of_stream")),
    )
    return episodes.sort(s, "start_row").collect()


QUERIES = {
    "cohort": (cohort_tidemark, cohort_polars, [CREAT, VANC, DISCHARGE]),
    "count": (count_tidemark, count_polars, [ADMIT, LACTATE]),
    "labels": (labels_tidemark, labels_polars, None),
    "states": (states_tidemark, states_polars, None),
}
