"""annotate_stream: how the columns are collected, their dtypes, and the pattern limit."""

import numpy as np
import pytest
from tidemark import AnnotationSpec, Pattern, StateMachine, annotate_stream

A = AnnotationSpec
SPEC = A.future_occurrence("f", "x", 1.0, True)


def test_no_specs_give_no_columns():
    assert annotate_stream(["x"], [0.0], []) == {}


def test_repeated_names_keep_the_first_place_and_the_last_column():
    specs = [
        A.in_span("a", "x", ("z", "y")),
        A.before_event("b", "x", "y"),
        A.window_aggregate("a", "x", 1.0, "count", partial_window=True),
    ]
    r = annotate_stream(["z", "x", "y"], [0.0, 1.0, 2.0], specs)
    assert list(r) == ["a", "b"]
    assert r["a"].dtype == np.float64
    np.testing.assert_array_equal(r["a"], [1.0, 1.0, np.nan])
    assert r["b"].tolist() == [1, 1, 1]


@pytest.mark.parametrize("make", [lambda p: A.future_occurrence("big", p, 1.0), lambda p: A.in_span("s", "x", p)])
def test_pattern_limit_is_checked_when_the_reference_is_resolved(make):
    p = Pattern()
    for _ in range(65):
        p.add_event("x")
    spec = make(p)
    with pytest.raises(ValueError) as e:
        annotate_stream(["x"], [0.0], [SPEC, spec])
    assert str(e.value) == "Pattern has 65 elements; maximum is 64"


@pytest.mark.parametrize("tokens", [[], ["x", "q"]])
def test_every_kind_gives_its_dtype(tokens):
    sm = StateMachine()
    sm.add_state("s")
    sm.add_entry("s", "x")
    specs = [
        A.future_occurrence("0", "x", 1.0),
        A.past_occurrence("1", "x", 1.0),
        A.before_event("2", "x", "y"),
        A.in_span("3", "x", ("z", "y")),
        A.window_aggregate("4", "x", 1.0),
        A.span_aggregate("5", "x", sm.span("s")),
        A.future_span_occurrence("6", ("z", "y"), 1.0),
        A.past_span_occurrence("7", ("z", "y"), 1.0),
        A.state_label("8", sm),
    ]
    r = annotate_stream(tokens, [0.0] * len(tokens), specs)
    assert [(k, v.dtype.name, v.shape) for k, v in r.items()] == [
        (str(i), dtype, (len(tokens),))
        for i, dtype in enumerate(["int8", "int8", "int8", "int8", "float64", "float64", "int8", "int8", "int32"])
    ]
