"""A task run reads only the rows its answer can depend on: the same labels and window
boundaries as over every row, and every row read when the task looks at all events."""

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
        time=pl.col("time") + pl.duration(hours=pl.Series(rng.integers(0, 2, events.height // 2))),
    )
    return pl.concat([frame, other]).sort("subject_id", "time", maintain_order=True)


def test_labels_over_the_rows_needed_equal_those_over_every_row(tmp_path):
    filtered = 0
    for seed in range(N_SEEDS):
        rng = np.random.default_rng(1000 + seed)
        _with_other_codes(meds_frame(rng), rng).write_parquet(tmp_path / "data.parquet")
        task = Task.from_dict(task_dict(rng))
        rows = rows_needed(task.config)
        if rows is None:
            continue
        every = Corpus.from_meds(tmp_path, unit="us")
        needed = Corpus.from_meds(tmp_path, unit="us", rows=rows)
        assert needed.n_events < every.n_events
        assert task.run(needed, summaries=True).equals(task.run(every, summaries=True)), seed
        filtered += 1
    assert filtered >= 15  # the generator often names every event; enough tasks do not


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
        _with({"start": None, "end": "trigger"}),
        _with({"end": None}),
        _with(trigger="_ANY_EVENT"),
        _with({"label": "_RECORD_START"}),
        _with(predicates={**BASE["predicates"], "high": {"code": None, "value_min": 3}}),
        _with(predicates={**BASE["predicates"], "x": {"expr": "or(a, _ANY_EVENT)"}}),
    ],
    ids=["has any", "arrow", "open start", "open end", "trigger", "label", "value only", "derived"],
)
def test_tasks_that_look_at_every_event_read_every_row(task):
    assert rows_needed(Task.from_dict(task).config) is None


def test_the_rows_needed_are_those_some_predicate_accepts():
    codes = pl.DataFrame({"code": ["A", "B", "C", "D//x", "xD//", None]})
    kept = codes.filter(rows_needed(Task.from_dict(BASE).config))
    assert kept["code"].to_list() == ["A", "B", "D//x"]
