"""AnnotationSpec constructors: which error wins, references copied at creation, repr."""

import pytest
from annotation_helpers import labels
from tidemark import AnnotationSpec, Pattern, StateMachine

SPAN_EXPECTED = "Expected Pattern or (str, str) tuple for span argument"
TOKEN_EXPECTED = (
    "Expected str (single token), list[str] (token set), list[list[str]] (same-timestamp sequences), or Pattern"
)
UNKNOWN_AGG = "Unknown aggregation '{}'. Choose: min, max, mean, count"
CONVERT = "'{}' object cannot be converted to '{}'"
A = AnnotationSpec


@pytest.mark.parametrize(
    "make, error, message",
    [
        # The span is converted before x, then the aggregation name is checked last.
        (lambda: A.in_span("a", 1, ["z", "y"]), TypeError, SPAN_EXPECTED),
        (lambda: A.in_span("a", [], ("z", "y")), ValueError, "Token reference list must not be empty"),
        (lambda: A.span_aggregate("a", 1, ("z",), agg="MEAN"), TypeError, SPAN_EXPECTED),
        (lambda: A.span_aggregate("a", 1, ("z", "y"), agg="MEAN"), TypeError, TOKEN_EXPECTED),
        (lambda: A.span_aggregate("a", "k", ("z", "y"), agg="MEAN"), ValueError, UNKNOWN_AGG.format("MEAN")),
        (lambda: A.window_aggregate("a", 1, 1.0, agg="sum"), TypeError, TOKEN_EXPECTED),
        (lambda: A.window_aggregate("a", "k", 1.0, agg="sum"), ValueError, UNKNOWN_AGG.format("sum")),
        # Plain arguments come before references, in signature order.
        (
            lambda: A.window_aggregate("a", 1, "w", agg=2),
            TypeError,
            "argument 'window_t': must be real number, not str",
        ),
        (
            lambda: A.window_aggregate("a", 1, 1.0, agg=2),
            TypeError,
            "argument 'agg': " + CONVERT.format("int", "PyString"),
        ),
        (lambda: A.before_event("a", "x", 2), TypeError, TOKEN_EXPECTED),
        (lambda: A.state_label("a", "sm"), TypeError, "argument 'machine': " + CONVERT.format("str", "StateMachine")),
        (
            lambda: A.state_label("a", StateMachine(), invalid_label=2**31),
            OverflowError,
            "out of range integral type conversion attempted",
        ),
        *[
            (lambda span=span: A.future_span_occurrence("a", span, 1.0), TypeError, SPAN_EXPECTED)
            for span in [["z", "y"], ("z",), ("z", "y", "w"), ("z", 1), "zy", None]
        ],
    ],
)
def test_first_error_wins(make, error, message):
    with pytest.raises(error) as e:
        make()
    assert str(e.value) == message


def test_state_label_freezes_the_machine():
    sm = StateMachine()
    sm.add_state("a", max_gap=1.0, timeout_to="later")
    sm.add_entry("a", "x")
    with pytest.raises(ValueError, match="timeout_to='later', which is not a declared state"):
        A.state_label("s", sm)
    sm.add_state("later", drop_unclosed=False)
    spec = A.state_label("s", sm, default_state=7)
    sm.add_state("b")
    sm.add_entry("b", "q")  # not seen by the spec
    # a times out at 1 into later, which stays open and valid to the end.
    assert labels(spec, "xqyq", [0, 0.5, 5, 6]) == [1, 1, 2, 2]


def test_references_are_copies():
    p = Pattern()
    p.add_event("x")
    spec = A.future_occurrence("f", p, 0.0, True)
    span = A.in_span("s", "q", p)
    p.add_event("y")
    assert labels(spec, "xqx") == [1, 0, 1]
    assert labels(span, "xqx") == [0, -1, 0]


def test_repr_quotes_the_name():
    # The quoting itself is the state names' (test_state_machine).
    assert repr(A.before_event('say "hi"', "x", "y")) == r'AnnotationSpec(name="say \"hi\"")'
