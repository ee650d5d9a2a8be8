"""A task file's `tidemark:` section: its patterns, state machines and label columns run
over a corpus exactly as the same objects built in Python, and its errors name the file
and the path of the bad entry."""

import pickle

import numpy as np
import polars as pl
import pytest
import tidemark
import yaml
from polars.testing import assert_frame_equal
from tidemark import AnnotationSpec as A

from tidemark_corpus import Corpus
from tidemark_corpus.durations import UNIT_MICROSECONDS
from tidemark_corpus.tasks import Task, TaskFileError

ACES = """
predicates:
  a: {code: A}
trigger: a
windows:
  w: {start: trigger, end: start + 2h, start_inclusive: false, end_inclusive: true}
"""

TIDEMARK = """
tidemark:
  unit: h
  patterns:
    a_then_b:
      max_dt: 1d
      elements:
        - add_event: {match_token: A}
        - add_event: {match_token: B, min_val: 1.0, max_dt: 90m}
  state_machines:
    stay:
      steps:
        - add_state: {name: in, max_gap: 5h, min_events: 2}
        - add_entry: {state: in, trigger: A}
        - add_exit: {state: in, trigger: [B, C]}
  labels:
    b_soon: {future_occurrence: {x: B, window_t: 1h, partial_window: true}}
    a_then_b_in_pair: {in_span: {x: {pattern: a_then_b}, span: [A, C]}}
    stay_state: {state_label: {machine: stay}}
    b_max: {span_aggregate: {k: B, span: {state_span: {machine: stay, state: in, valid_only: false}}, agg: max}}
"""


EPOCH = np.datetime64("2024-01-01T00:00", "us")


def _direct():
    p = tidemark.Pattern(max_dt=24.0)
    p.add_event("A")
    p.add_event("B", min_val=1.0, max_dt=1.5)
    m = tidemark.StateMachine()
    m.add_state("in", max_gap=5.0, min_events=2)
    m.add_entry("in", "A")
    m.add_exit("in", ["B", "C"])
    specs = [
        A.future_occurrence("b_soon", "B", 1.0, partial_window=True),
        A.in_span("a_then_b_in_pair", p, ("A", "C")),
        A.state_label("stay_state", m),
        A.span_aggregate("b_max", "B", m.span("in", valid_only=False), "max"),
    ]
    return p, m, specs


@pytest.fixture(scope="module")
def corpus_frame():
    rows = [
        (1, 0.0, "A", None),
        (1, 1.0, "B", 2.0),
        (1, 1.5, "A", None),
        (1, 4.0, "C", None),
        (2, 0.0, "A", None),
        (2, 3.0, "B", 0.5),
        (2, 3.5, "B", 4.0),
        (3, 2.0, "C", None),
    ]
    return pl.DataFrame(rows, schema=["subject_id", "time", "code", "numeric_value"], orient="row")


@pytest.fixture(scope="module")
def corpus(corpus_frame):
    return Corpus.from_frame(corpus_frame, unit="h")


def test_a_tidemark_section_runs_as_the_same_objects_built_in_python(corpus):
    task = Task.from_string(ACES + TIDEMARK, "task.yaml")
    p, m, specs = _direct()
    assert task.time_unit == "h"
    assert [s.__reduce__() for s in task.labels(corpus)] == [s.__reduce__() for s in specs]
    assert_frame_equal(corpus.match(task.patterns(corpus)["a_then_b"]), corpus.match(p))
    assert_frame_equal(corpus.annotate(task.labels(corpus)), corpus.annotate(specs))
    assert_frame_equal(corpus.state_spans(task.state_machines(corpus)["stay"]), corpus.state_spans(m))


@pytest.mark.parametrize("text", [ACES + TIDEMARK, TIDEMARK], ids=["with-aces", "tidemark-only"])
def test_a_task_with_a_tidemark_section_pickles_and_round_trips(text):
    task = Task.from_string(text, "task.yaml")
    again = Task.from_string(yaml.safe_dump(task.to_dict(), sort_keys=False), "task.yaml")
    for back in (pickle.loads(pickle.dumps(task)), again):
        assert back.source == "task.yaml" and (back.config is None) == (task.config is None)
        assert back.patterns("h")["a_then_b"].__reduce__() == task.patterns("h")["a_then_b"].__reduce__()
        assert [s.__reduce__() for s in back.labels("h")] == [s.__reduce__() for s in task.labels("h")]


def test_a_tidemark_only_task_has_no_labels_to_run(corpus):
    task = Task.from_string(TIDEMARK, "only.yaml")
    assert task.columns == []
    assert repr(task) == (
        "Task('only.yaml', patterns=['a_then_b'], state_machines=['stay'], "
        "labels=['b_soon', 'a_then_b_in_pair', 'stay_state', 'b_max'])"
    )
    with pytest.raises(TaskFileError, match=r"^only\.yaml: trigger: the file has only a tidemark: section"):
        task.run(corpus)


def _scaled(frame: pl.DataFrame, unit: str) -> Corpus:
    """The corpus of `frame` (times in hours) on an axis in `unit`."""
    per_hour = UNIT_MICROSECONDS["h"] / UNIT_MICROSECONDS[unit]
    return Corpus.from_frame(frame.with_columns(pl.col("time") * per_hour), unit=unit, epoch=EPOCH)


@pytest.mark.parametrize("unit", ["m", "s", "us"])
def test_the_constructs_mean_the_same_on_a_corpus_in_any_unit(corpus_frame, unit):
    """Numbers written in hours, run over the same events on a minute, second or
    microsecond axis: the same matches, label columns and spans as on the hour axis."""
    task = Task.from_string(ACES + TIDEMARK, "task.yaml")
    hours, other = _scaled(corpus_frame, "h"), _scaled(corpus_frame, unit)
    for run in (
        lambda c: c.match(task.patterns(c)["a_then_b"]),
        lambda c: c.annotate(task.labels(c)),
        lambda c: c.state_spans(task.state_machines(c)["stay"]),
    ):
        assert_frame_equal(run(other), run(hours))


@pytest.mark.parametrize(("written", "number", "text"), [("h", 1.5, "90m"), ("d", 2, "48h"), ("m", 1, "60s")])
@pytest.mark.parametrize("unit", ["us", "s", "h"])
def test_numbers_in_the_section_unit_build_as_the_same_text_duration(written, number, text, unit):
    section = "tidemark: {{unit: {}, patterns: {{p: {{elements: [{{add_event: {{match_token: A, max_dt: {}}}}}]}}}}}}"
    by_number = Task.from_string(section.format(written, number)).patterns(unit)["p"]
    by_text = Task.from_string(section.format(written, text)).patterns(unit)["p"]
    assert by_number.__reduce__() == by_text.__reduce__()


@pytest.mark.parametrize(
    ("section", "message"),
    [
        (
            "tidemark: {patternz: {}}",
            "task.yaml: tidemark.patternz: unknown key; expected one of unit, patterns, state_machines, labels",
        ),
        (
            "tidemark: {unit: weeks}",
            'task.yaml: tidemark.unit: expected one of "us", "ms", "s", "m", "h", "d", got \'weeks\'',
        ),
        (
            "tidemark: {patterns: {p: {elements: [{add_event: {match_token: A, max_dt: soon}}]}}}",
            "task.yaml: tidemark.patterns.p.elements[0].add_event.max_dt: duration: cannot read 'soon'; expected a "
            "number and a unit, e.g. '48h', '30d', '90m'",
        ),
        (
            "tidemark: {labels: {l: {state_label: {machine: stay}}}}",
            "task.yaml: tidemark.labels.l.state_label.machine: no state machine named 'stay'; defined: none",
        ),
        (
            "tidemark: {labels: {l: {past_occurrence: {name: m, x: A, window_t: 1}}}}",
            "task.yaml: tidemark.labels.l.past_occurrence.name: the column is named 'l' by its key, not 'm'",
        ),
        (
            "tidemark: {labels: {l: {window_aggregate: {k: A, window_t: 1, agg: median}}}}",
            "task.yaml: tidemark.labels.l.window_aggregate: Unknown aggregation 'median'. "
            "Choose: min, max, mean, count",
        ),
    ],
)
def test_a_bad_tidemark_section_names_the_file_and_the_entry(section, message):
    with pytest.raises(TaskFileError) as caught:
        Task.from_string(ACES + section, "task.yaml")
    assert str(caught.value) == message


@pytest.mark.parametrize(
    ("head", "message"),
    [
        # One ACES key makes the file an ACES task, which needs the rest of its part.
        ("predicates: {a: {code: A}}", "task.yaml: trigger: expected a predicate name, got None"),
        ("trigerr: a", "task.yaml: trigerr: unknown key"),
    ],
)
def test_a_tidemark_section_beside_a_partial_or_misspelled_aces_part_is_refused(head, message):
    with pytest.raises(TaskFileError) as caught:
        Task.from_string(head + "\n" + TIDEMARK, "task.yaml")
    assert str(caught.value).startswith(message)
