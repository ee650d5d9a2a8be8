"""Random MEDS data and random task configurations over it, drawn from a seeded generator.

Times lie on a grid of whole hours and window offsets are whole hours, so that window
boundaries fall exactly on events as often as between them; several rows share a
timestamp; values are small integers so that value bounds are hit exactly.
"""

import datetime

import numpy as np
import polars as pl

CODES = ["A", "B", "C", "D//x", "D//y", "E"]
EPOCH = datetime.datetime(2020, 1, 1)


def meds_frame(rng: np.random.Generator, n_subjects: int = 25) -> pl.DataFrame:
    """Events of `n_subjects` subjects, with a static SEX row for most of them."""
    rows: dict[str, list] = {"subject_id": [], "time": [], "code": [], "numeric_value": []}

    def add(subject, time, code, value):
        rows["subject_id"].append(subject)
        rows["time"].append(time)
        rows["code"].append(code)
        rows["numeric_value"].append(value)

    for subject in range(1, n_subjects + 1):
        if rng.random() < 0.8:
            add(subject, None, "SEX//m" if rng.random() < 0.5 else "SEX//f", None)
        hours = np.sort(rng.choice(60, size=int(rng.integers(1, 14)), replace=False))
        for h in hours:
            for _ in range(int(rng.integers(1, 4))):
                value = float(rng.integers(0, 6)) if rng.random() < 0.5 else None
                add(subject, EPOCH + datetime.timedelta(hours=int(h)), str(rng.choice(CODES)), value)
    return pl.DataFrame(
        rows,
        schema={"subject_id": pl.Int64, "time": pl.Datetime("us"), "code": pl.String, "numeric_value": pl.Float32},
    )


PREDICATES = {
    "a": {"code": "A"},
    "b_or_c": {"code": {"any": ["B", "C"]}},
    "d": {"code": {"regex": "^D//"}},
    "a_high": {"code": "A", "value_min": 2, "value_min_inclusive": True},
    "value_band": {"code": {"regex": "B|C"}, "value_min": 1, "value_max": 4, "value_max_inclusive": True},
    "e_low": {"code": "E", "value_max": 3},
    "a_or_d": {"expr": "or(a, d)"},
    "a_and_bc": {"expr": "and(a, b_or_c)"},
    "nested": {"expr": "or(a_and_bc, e_low)"},
}
EVENT_PREDICATES = [*PREDICATES, "_ANY_EVENT"]
COUNTED = [*EVENT_PREDICATES, "_RECORD_START", "_RECORD_END"]


def _hours(rng) -> str:
    return f"{int(rng.choice([1, 2, 3, 5, 12, 24]))}h"


def _root(rng, earlier: list[str]) -> str:
    """An external boundary: the trigger or an earlier window's boundary, maybe offset."""
    base = str(rng.choice(["trigger", *earlier]))
    pick = rng.random()
    if pick < 0.4:
        return base
    if pick < 0.8:
        return f"{base} {rng.choice(['+', '-'])} {_hours(rng)}"
    return f"{base} {rng.choice(['->', '<-'])} {rng.choice(EVENT_PREDICATES)}"


def _window(rng, earlier: list[str]) -> dict:
    root = _root(rng, earlier)
    pick = rng.random()
    forward = rng.random() < 0.5
    if pick < 0.25:
        other = None
    elif pick < 0.65:
        other = f"start + {_hours(rng)}" if forward else f"end - {_hours(rng)}"
    else:
        other = f"start -> {rng.choice(EVENT_PREDICATES)}" if forward else f"end <- {rng.choice(EVENT_PREDICATES)}"
    start, end = (root, other) if forward else (other, root)
    window = {
        "start": start,
        "end": end,
        "start_inclusive": bool(rng.random() < 0.5),
        "end_inclusive": bool(rng.random() < 0.5),
    }
    has = {}
    for _ in range(int(rng.integers(0, 3))):
        low = int(rng.integers(0, 3)) if rng.random() < 0.6 else None
        high = int(rng.integers(low or 0, 4)) if low is None or rng.random() < 0.5 else None
        has[str(rng.choice(COUNTED))] = f"({'None' if low is None else low}, {'None' if high is None else high})"
    if has:
        window["has"] = has
    return window


def task_dict(rng: np.random.Generator) -> dict:
    """A valid task configuration of one to three windows."""
    windows: dict[str, dict] = {}
    earlier: list[str] = []
    for i in range(int(rng.integers(1, 4))):
        name = f"w{i}"
        windows[name] = _window(rng, earlier)
        earlier += [f"{name}.start", f"{name}.end"]
    names = list(windows)
    windows[str(rng.choice(names))]["label"] = str(rng.choice(list(PREDICATES)))
    windows[str(rng.choice(names))]["index_timestamp"] = str(rng.choice(["start", "end"]))
    task = {"predicates": PREDICATES, "trigger": str(rng.choice(EVENT_PREDICATES)), "windows": windows}
    if rng.random() < 0.3:
        task["patient_demographics"] = {"male": {"code": "SEX//m"}}
        if rng.random() < 0.5:
            task["predicates"] = {**PREDICATES, "male_a": {"expr": "and(male, a)"}}
            task["trigger"] = "male_a"
    return task
