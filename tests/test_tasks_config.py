"""Reading task files: every malformed or unknown key is an error naming the file and the
key; the semantics the ACES oracle cannot vouch for (its documented faults) are pinned
here on small hand-made data."""

import datetime
import pickle

import polars as pl
import pytest
import yaml
from meds_data import table_of

from tidemark_corpus import Corpus
from tidemark_corpus.tasks import Task, TaskFileError

EPOCH = datetime.datetime(2020, 1, 1)
EPOCH_US = int(EPOCH.replace(tzinfo=datetime.UTC).timestamp()) * 1_000_000
BASE = {
    "predicates": {"a": {"code": "A"}, "b": {"code": "B"}},
    "trigger": "a",
    "windows": {"w": {"start": "trigger", "end": "start + 2h", "start_inclusive": False, "end_inclusive": True}},
}


def _with(path: str, value) -> dict:
    """BASE with the dotted key `path` set to `value` (None deletes it)."""
    task = yaml.safe_load(yaml.safe_dump(BASE))
    *parents, last = path.split(".")
    node = task
    for p in parents:
        node = node.setdefault(p, {})
    if value is None:
        node.pop(last, None)
    else:
        node[last] = value
    return task


@pytest.mark.parametrize(
    ("path", "value", "key"),
    [
        ("colour", "red", "colour"),
        ("predicates.a.cod", "A", "predicates.a.cod"),
        ("windows.w.has_not", {}, "windows.w.has_not"),
        ("predicates.a.code", {"regex": "("}, "predicates.a.code.regex"),
        ("predicates.a.code", {"any": []}, "predicates.a.code.any"),
        ("predicates.a.code", {"glob": "A*"}, "predicates.a.code"),
        ("predicates.a.value_min", "high", "predicates.a.value_min"),
        ("predicates.a.value_min_inclusive", "yes", "predicates.a.value_min_inclusive"),
        ("predicates.c", {"expr": "xor(a, b)"}, "predicates.c.expr"),
        ("predicates.c", {"expr": "and(a, zz)"}, "predicates.c.expr"),
        ("predicates._ANY_EVENT", {"code": "A"}, "predicates._ANY_EVENT"),
        ("trigger", "zz", "trigger"),
        ("windows.w.start_inclusive", None, "windows.w.start_inclusive"),
        ("windows.w.end", "start + 2 fortnights", "windows.w.end"),
        ("windows.w.end", "start - 2h", "windows.w.end"),
        ("windows.w.end", "start <- b", "windows.w.end"),
        ("windows.w.end", "w.start + 1h", "windows.w"),
        ("windows.w.end", "gap.end", "windows.w"),
        ("windows.w.start", "elsewhere + 1h", "windows.w.start"),
        ("windows.w.has", {"zz": "(1, None)"}, "windows.w.has.zz"),
        ("windows.w.has", {"a": "(3, 1)"}, "windows.w.has.a"),
        ("windows.w.has", {"a": "(one, None)"}, "windows.w.has.a"),
        ("windows.w.label", "zz", "windows.w.label"),
        ("windows.w.index_timestamp", "middle", "windows.w.index_timestamp"),
        ("patient_demographics", {"male": {"code": "SEX//m"}, "a2": {"code": "A"}}, None),
    ],
)
def test_bad_task_names_file_and_key(tmp_path, path, value, key):
    task = _with(path, value)
    if key is None:  # a demographic predicate used as the trigger
        task["trigger"] = "male"
        key = "trigger"
    file = tmp_path / "task.yaml"
    file.write_text(yaml.safe_dump(task))
    with pytest.raises(TaskFileError) as err:
        Task.from_yaml(file)
    assert str(err.value).startswith(f"{file}: {key}:")


@pytest.mark.parametrize(
    "windows",
    [
        {"x": {"start": "y.end", "end": "start + 1h"}, "y": {"start": "x.end", "end": "start + 1h"}},
        {"x": {"start": None, "end": None}},
    ],
)
def test_window_trees_must_hang_from_the_trigger(windows):
    for w in windows.values():
        w.update(start_inclusive=True, end_inclusive=True)
    with pytest.raises(TaskFileError, match="windows.x"):
        Task.from_dict({**BASE, "windows": windows})


def test_unreadable_yaml_and_missing_file(tmp_path):
    with pytest.raises(TaskFileError, match=r"^<string>: \(yaml\):"):
        Task.from_string("predicates: [a\n")
    with pytest.raises(TaskFileError, match=r"nowhere.yaml: \(file\):"):
        Task.from_yaml(tmp_path / "nowhere.yaml")


def _corpus(events: list[tuple[int, int | None, str, float | None]]) -> Corpus:
    """A corpus from (subject, hour or None for a static row, code, value) rows."""
    rows = [(s, None if h is None else EPOCH_US + h * 3_600_000_000, c, v) for s, h, c, v in events]
    return Corpus.from_frame(table_of(rows), unit="us")


def _hours(frame: pl.DataFrame, column: str) -> list[float]:
    return [(t - EPOCH).total_seconds() / 3600 for t in frame[column]]


def test_code_null_matches_values_of_any_code():
    # ACES 0.7.3 compares the code with null and never matches; a value predicate without
    # a code constraint tests the value of every code.
    task = "predicates: {high: {code: null, value_min: 5, value_min_inclusive: true}}\ntrigger: high\nwindows: {}"
    corpus = _corpus([(1, 0, "A", 7.0), (1, 1, "B", 5.0), (1, 2, "C", 4.0), (2, 0, "A", None)])
    out = Task.from_string(task).run(corpus, summaries=True)
    assert out["subject_id"].to_list() == [1, 1]
    assert _hours(out, "trigger") == [0, 1]


@pytest.mark.parametrize(
    ("start_inclusive", "end_inclusive", "end_hours"),
    [(True, True, [0, 2]), (False, True, [1, None]), (True, False, [1, None]), (False, False, [1, None])],
)
def test_next_event_may_be_the_start_only_in_a_closed_window(start_inclusive, end_inclusive, end_hours):
    # ACES 0.7.3 takes the start's own event when only the end is inclusive, a one-point
    # window whose start is "an iota after" itself.
    window = f"{{start: trigger, end: start -> a, start_inclusive: {start_inclusive}, end_inclusive: {end_inclusive}}}"
    task = Task.from_string(f"predicates: {{a: {{code: A}}, b: {{code: B}}}}\ntrigger: b\nwindows: {{w: {window}}}")
    corpus = _corpus([(1, 0, "A", None), (1, 0, "B", None), (1, 1, "A", None), (2, 2, "B", None), (2, 2, "A", None)])
    out = task.run(corpus, summaries=True)
    want = [(s, h) for s, h in zip([1, 2], end_hours) if h is not None]
    assert list(zip(out["subject_id"].to_list(), _hours(out, "w.end"))) == want


def test_index_timestamp_start_of_a_window_defined_backwards():
    # ACES 0.7.3 gives the window's end here; the start is asked for.
    task = Task.from_string(
        "predicates: {a: {code: A}}\ntrigger: a\nwindows: {w: {start: end - 3h, end: trigger, start_inclusive: true, "
        "end_inclusive: true, index_timestamp: start}}"
    )
    out = task.run(_corpus([(1, 5, "A", None)]))
    assert _hours(out, "prediction_time") == [2]


def test_task_pickles_as_its_configuration():
    task = Task.from_dict(BASE, source="base.yaml")
    again = pickle.loads(pickle.dumps(task))
    assert again.to_dict() == BASE and again.config == task.config
