"""Plain forms: every object comes back from its plain form (directly and through YAML)
pickling to the same bytes, the form holds plain data only, and a bad entry is an error
naming its path."""

import datetime
import math

import pytest
from hypothesis import given
from pickle_cases import cases
from plain_strategies import machines, patterns
from tidemark import Pattern

from tidemark_corpus.plain import PlainFormError, dump_yaml, from_plain, load_yaml, to_plain

CASES = cases()


def _plain_data(x):
    """Whether `x` is nested dicts with str keys and lists of str, float, int, bool, None."""
    if isinstance(x, dict):
        return all(isinstance(k, str) and _plain_data(v) for k, v in x.items())
    if isinstance(x, list):
        return all(_plain_data(v) for v in x)
    return x is None or isinstance(x, str | float | int | bool)


def _round_trip(x, through):
    return from_plain(to_plain(x)) if through == "dict" else load_yaml(dump_yaml(x))


@pytest.mark.parametrize("through", ["dict", "yaml"])
@pytest.mark.parametrize("name", CASES)
def test_every_kind_of_object_comes_back_from_its_plain_form(name, through):
    x = CASES[name]
    back = _round_trip(x, through)
    assert type(back) is type(x)
    assert back.__reduce__() == x.__reduce__()
    assert _plain_data(to_plain(x))


@given(patterns())
def test_random_patterns_come_back_from_their_plain_form(p):
    assert _round_trip(p, "yaml").__reduce__() == p.__reduce__()


@given(machines())
def test_random_machines_come_back_from_their_plain_form(m):
    """Whatever order the builder calls came in, the replayed calls register the
    triggers in the same order."""
    assert _round_trip(m, "yaml").__reduce__() == m.__reduce__()


def test_equal_patterns_built_in_another_order_have_one_plain_form_and_one_pickle():
    a, b = Pattern(), Pattern()
    a.add_event_seq([["x", "c"], ["a"], ["b", "c"]])
    b.add_event_seq([["b", "c"], ["a"], ["x", "c"]])
    a.add_mapped_event(0, {"x": {"match": "a"}, ("b", "c"): {"match": "c"}})
    b.add_mapped_event(0, {("b", "c"): {"match": "c"}, "x": {"match": "a"}})
    assert to_plain(a) == to_plain(b)
    assert a.__reduce__() == b.__reduce__()


def test_the_plain_form_reads_as_the_builder_calls_without_defaults():
    p = Pattern(max_dt=48.0, collector="count")
    p.add_event("LAB//CREAT", min_val=2.0)
    p.add_event_set(["DX//N17", "DX//N18"], block_tokens=["DISCHARGE"], max_dt=24.0, backtrackable=False)
    assert to_plain(p) == {
        "pattern": {
            "max_dt": 48.0,
            "collector": "count",
            "elements": [
                {"add_event": {"match_token": "LAB//CREAT", "min_val": 2.0}},
                {
                    "add_event_set": {
                        "match_tokens": ["DX//N17", "DX//N18"],
                        "block_tokens": ["DISCHARGE"],
                        "max_dt": 24.0,
                        "backtrackable": False,
                    }
                },
            ],
        }
    }


@pytest.mark.parametrize(
    ("unit", "given_dt", "stored"),
    [("h", "90m", 1.5), ("d", "36h", 1.5), ("h", datetime.timedelta(minutes=30), 0.5), ("m", 7, 7.0)],
)
def test_durations_are_read_in_the_unit(unit, given_dt, stored):
    form = {"pattern": {"elements": [{"add_event": {"match_token": "a", "max_dt": given_dt}}]}}
    back = to_plain(from_plain(form, unit=unit))
    assert back["pattern"]["elements"][0]["add_event"]["max_dt"] == stored


def test_null_stands_for_no_value_bound():
    form = {"pattern": {"elements": [{"add_event_set": {"match_tokens": ["a", "b"], "min_vals": [1.0, None]}}]}}
    p = Pattern()
    p.add_event_set(["a", "b"], min_vals=[1.0, math.nan])
    assert from_plain(form).__reduce__() == p.__reduce__()


def _steps(*steps):
    return {"pattern": {"elements": list(steps)}}


@pytest.mark.parametrize(
    ("form", "message"),
    [
        (
            {"pattern": {"elemnts": []}},
            "pattern.elemnts: unknown key; expected one of min_dt, max_dt, min_at, max_at, ordered, collector, "
            "elements, midstream",
        ),
        (
            _steps({"add_event": {"match_token": "a"}}, {"add_evnt": {}}),
            "pattern.elements[1].add_evnt: unknown key; expected one of add_event, add_event_set, add_event_seq, "
            "add_time_event, add_dynamic_time_event, add_dynamic_event, add_dynamic_event_set, add_mapped_event",
        ),
        (
            _steps({"add_event": {"match_token": "a", "max_dt": "2 fortnights"}}),
            "pattern.elements[0].add_event.max_dt: duration: cannot read '2 fortnights'; expected a number and a "
            "unit, e.g. '48h', '30d', '90m'",
        ),
        (
            _steps({"add_event": {"match_token": "a", "backtrackable": 1}}),
            "pattern.elements[0].add_event: argument 'backtrackable': 'int' object cannot be converted to 'PyBool'",
        ),
        (_steps("add_event"), "pattern.elements[0]: expected a mapping, got str"),
        (
            _steps({"add_mapped_event": {"source_element": 0, "match_map": [{"match": "a"}]}}),
            "pattern.elements[0].add_mapped_event.match_map[0]: missing key; each entry names its source token(s) "
            "under key",
        ),
        (
            _steps({"add_mapped_event": {"source_element": 0, "match_map": [{"key": {"a": 1}, "match": "a"}]}}),
            "pattern.elements[0].add_mapped_event.match_map[0].key: expected a token or a list of tokens, got {'a': 1}",
        ),
        (
            {"in_span": {"name": "i", "x": "a", "span": {"pattern": "cohort"}}},
            "in_span.span.pattern: no pattern named 'cohort'; defined: none",
        ),
        (
            {"state_machine": {"steps": [{"add_state": {"name": "s"}}, {"add_entry": {"state": "t", "trigger": "a"}}]}},
            'state_machine.steps[1].add_entry: Unknown state \'t\'. Declared: ["out", "s"]',
        ),
        (
            {"pattern": {}, "state_machine": {}},
            "expected exactly one key, one of pattern, query, state_machine, state_span, future_occurrence, "
            "past_occurrence, before_event, in_span, window_aggregate, span_aggregate, future_span_occurrence, "
            "past_span_occurrence, state_label; got 2",
        ),
    ],
)
def test_a_bad_entry_is_an_error_naming_its_path(form, message):
    with pytest.raises(PlainFormError) as caught:
        from_plain(form)
    assert str(caught.value) == message
