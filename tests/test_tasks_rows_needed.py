"""A task run reads only the rows its labels can depend on: the same labels as over every
row, and every row read when the task looks at all events."""

import numpy as np
import polars as pl
import pytest
from task_gen import meds_frame, task_dict

from tidemark_corpus import Corpus
from tidemark_corpus.tasks import Task
from tidemark_corpus.tasks.rows_needed import rows_needed

N_SEEDS = 150


def _with_other_codes(frame: pl.DataFrame, rng: np.random.Generator) -> pl.DataFrame:
    """The frame with events of a code no task names, some at the frame's timestamps and
    some an hour later, where they make timestamps of their own."""
    events = frame.filter(pl.col("time").is_not_null())
    other = events.sample(fraction=0.5, seed=int(rng.integers(1 << 30))).with_columns(
        code=pl.lit("OTHER"),
        time=pl.col("time") + pl.duration(hours=pl.Series(rng.integers(-1, 2, events.height // 2))),
    )
    return pl.concat([frame, other]).sort("subject_id", "time", maintain_order=True)


def _with_open_input(task: dict, rng: np.random.Generator) -> dict:
    """The task with one more window from the record's start to the trigger or an hour either side."""
    ends = {"start_inclusive": bool(rng.random() < 0.7), "end_inclusive": bool(rng.random() < 0.7)}
    end = str(rng.choice(["trigger", "trigger - 1h", "trigger + 1h"]))
    return {**task, "windows": {"input": {"start": None, "end": end, **ends}, **task["windows"]}}


def test_labels_over_the_rows_needed_equal_those_over_every_row(tmp_path):
    filtered = 0
    for seed in range(N_SEEDS):
        rng = np.random.default_rng(1000 + seed)
        _with_other_codes(meds_frame(rng), rng).write_parquet(tmp_path / "data.parquet")
        drawn = task_dict(rng)
        for task in (Task.from_dict(drawn), Task.from_dict(_with_open_input(drawn, rng))):
            rows = rows_needed(task.config)
            if rows is None:
                continue
            every = Corpus.from_meds(tmp_path, unit="us")
            needed = Corpus.from_meds(tmp_path, unit="us", rows=rows)
            assert needed.n_events < every.n_events
            assert task.run(needed).equals(task.run(every)), seed
            filtered += 1
    assert filtered >= 40  # the generator often names every event; enough tasks do not


BASE = {
    "predicates": {"a": {"code": "A"}, "d": {"code": {"regex": "^D//"}}, "b": {"code": {"any": ["B"]}}},
    "trigger": "a",
    "windows": {"w": {"start": "trigger", "end": "start + 2h", "start_inclusive": True, "end_inclusive": True}},
}


def _with(window=None, **top):
    task = {**BASE, **top}
    task["windows"] = {"w": {**BASE["windows"]["w"], **(window or {})}}
    return task


@pytest.mark.parametrize(
    "task",
    [
        _with({"has": {"_ANY_EVENT": "(1, None)"}}),
        _with({"end": "start -> _RECORD_END"}),
        _with({"start": None, "end": "trigger", "has": {"a": "(1, None)"}}),
        _with({"start": None, "end": "trigger", "start_inclusive": False}),
        _with({"start": None, "end": "trigger - 1h"}),
        _with({"start": None, "end": "trigger", "index_timestamp": "start"}),
        _with({"end": None, "label": "a"}),
        _with(trigger="_ANY_EVENT"),
        _with({"label": "_RECORD_START"}),
        _with(predicates={**BASE["predicates"], "high": {"code": None, "value_min": 3}}),
        _with(predicates={**BASE["predicates"], "x": {"expr": "or(a, _ANY_EVENT)"}}),
    ],
    ids=[
        "has any",
        "arrow",
        "open start counted",
        "open start excluded",
        "open start off the trigger",
        "open start indexed",
        "open end labelled",
        "trigger",
        "label",
        "value only",
        "derived",
    ],
)
def test_tasks_that_look_at_every_event_read_every_row(task):
    assert rows_needed(Task.from_dict(task).config) is None


def test_an_open_side_the_labels_cannot_see_keeps_the_filter():
    task = {**BASE, "windows": {"input": {**BASE["windows"]["w"], "start": None, "end": "trigger"}}}
    assert rows_needed(Task.from_dict(task).config) is not None


def test_the_rows_needed_are_those_some_predicate_accepts():
    codes = pl.DataFrame({"code": ["A", "B", "C", "D//x", "xD//", None]})
    kept = codes.filter(rows_needed(Task.from_dict(BASE).config))
    assert kept["code"].to_list() == ["A", "B", "D//x"]
