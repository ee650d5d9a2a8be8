"""Mapped elements: the spec dictionaries, their messages and match-time resolution."""

import math

import pytest
from builder_messages import at_least
from hypothesis import given
from hypothesis import strategies as st
from matching import refuses, slots, stream_of
from tidemark import Pattern

NAN = math.nan


def mapped(source, match_map, default=None, first=("add_event", "Q")):
    """[first element, mapped element]."""
    p = Pattern()
    getattr(p, first[0])(first[1])
    p.add_mapped_event(source, match_map, default)
    return p


@pytest.mark.parametrize(
    "spec, tokens, times, values, expected",
    [
        ({"match": "Z", "min_at": 1.0, "max_at": 2.0}, "QZZZ", [0, 0.5, 1, 3], None, [(0, 2)]),
        ({"match": "x", "min_val": [5.0, 9.0]}, "Qxx", None, [NAN, 4.0, 6.0], [(0, 2)]),  # first entry only
        ({"match": "x", "require_nan_val": [True]}, "Qxx", None, [NAN, 4.0, NAN], [(0, 2)]),
        ({"match": ["x", "y"], "max_val": [1.0, NAN]}, "Qxxy", None, [NAN, 2.0, 0.5, 9.0], [(0, 2), (0, 3)]),
        # Any occurrence of a listed token may accept.
        ({"match": ["x", "x"], "min_val": [0.0, 5.0], "max_val": [1.0, 6.0]}, "Qx", None, [NAN, 5.5], [(0, 1)]),
        ({"match": [], "max_dt": 2.0}, "Qx", None, None, []),
        ({"match": [["x", "y"]], "min_val": [[1.0]]}, "Qxy", [0, 1, 1], [NAN, 0.0, NAN], []),
        ({"match": [["x", "y"]], "min_val": [[1.0]]}, "Qxy", [0, 1, 1], [NAN, 2.0, NAN], [(0, 1)]),
        ({"match": "x", "block": ["p", "q"], "block_min_val": [NAN, 5.0]}, "Qqx", None, [NAN, 1.0, NAN], [(0, 2)]),
        ({"match": "x", "block": "q", "block_require_nan_val": [True]}, "Qqx", None, [NAN, NAN, NAN], []),
        ({"match": "x", "block": "q", "block_require_nan_val": [True]}, "Qqx", None, [NAN, 1.0, NAN], [(0, 2)]),
        ({"match": "x", "block_min_val": [1.0]}, "Qqx", None, None, [(0, 2)]),  # no "block": ignored
        ({"match": "x", "min_vals": [9.0]}, "Qx", None, [NAN, 1.0], [(0, 1)]),  # an unknown key: ignored
    ],
)
def test_spec_forms_and_constraints(spec, tokens, times, values, expected):
    assert slots(mapped(0, {"Q": spec}), list(tokens), times, values) == expected


def test_sequence_element_gives_a_sequence_key():
    p = mapped(0, {("u", "w"): {"match": "Z"}, "u": {"match": "Y"}}, first=("add_event_seq", [["u", "w"], ["u"]]))
    assert slots(p, ["u", "w", "Z", "Y"], [0, 0, 1, 2]) == [(0, 2)]
    assert slots(p, ["u", "v", "Z", "Y"], [0, 0, 1, 2]) == [(0, 3)]


@pytest.mark.parametrize(
    "match_map, default, expected",
    [
        ({"K": {"match": "Z"}}, None, []),  # key absent, no default: abandoned
        ({"K": {"match": "Z"}}, {"match": "W"}, [(0, 2)]),
        ({}, None, []),
        ({}, {"match": "W"}, [(0, 2)]),
        ({"Q": {"match": "W"}}, {"match": "Z"}, [(0, 2)]),
        ({"Q": {"match": "Z"}, ("Q",): {"match": "W"}}, None, [(0, 2)]),  # one key: the later spec wins
        ({("Q",): {"match": "Z"}, "Q": {"match": "W"}}, None, [(0, 2)]),
    ],
)
def test_resolution_and_default(match_map, default, expected):
    assert slots(mapped(0, match_map, default), ["Q", "Z", "W"]) == expected


@pytest.mark.parametrize("source", [1, 63, 64, 2**64 - 1])
def test_source_element_that_never_matched_uses_the_default(source):
    p = mapped(source, {"Q": {"match": "Z"}}, {"match": "W"})
    assert slots(p, ["Q", "Z", "W"]) == [(0, 2)]
    assert slots(mapped(source, {"Q": {"match": "Z"}}), ["Q", "Z", "W"]) == []


@given(
    st.integers(0, 3),
    st.integers(0, 3),
    st.booleans(),
    st.lists(st.tuples(st.sampled_from("QZK"), st.integers(0, 2)), max_size=8),
)
def test_single_key_map_equals_the_static_event(min_dt, width, block, stream):
    spec = {"match": "Z", "min_dt": min_dt, "max_dt": min_dt + width, **({"block": "K"} if block else {})}
    static = Pattern()
    static.add_event("Q")
    static.add_event("Z", "K" if block else None, min_dt, min_dt + width)
    tokens, times = stream_of(stream)
    assert slots(mapped(0, {"Q": spec}), tokens, times) == slots(static, tokens, times)


@pytest.mark.parametrize(
    "args, exc, message",
    [
        (("0", {}), TypeError, "argument 'source_element': 'str' object cannot be interpreted as an integer"),
        ((0, []), TypeError, "argument 'match_map': 'list' object cannot be converted to 'PyDict'"),
        ((0, {}, []), TypeError, "argument 'default': 'list' object cannot be converted to 'PyDict'"),
        ((0, {1: {}}, []), TypeError, "argument 'default': 'list' object cannot be converted to 'PyDict'"),
        ((0, {(): {"match": "x"}}), ValueError, "match_map keys must not be empty"),
        ((0, {1: {"match": "x"}}), TypeError, "match_map keys must be str or a sequence of str"),
        ((0, {("a", 1): {"match": "x"}}), TypeError, "match_map keys must be str or a sequence of str"),
        ((0, {"a": 5}), TypeError, "'int' object cannot be converted to 'PyDict'"),
        ((0, {"a": {"max_dt": 2.0}}), ValueError, "mapped event spec must contain 'match' key"),
        ((0, {"a": {"match": 3}}), ValueError, "'match' must be str, list[str], or list[list[str]]"),
        ((0, {"a": {"match": ["x", ["y"]]}}), ValueError, "'match' must be str, list[str], or list[list[str]]"),
        ((0, {"a": {"match": "x", "min_val": 5.0}}), TypeError, "'float' object cannot be converted to 'Sequence'"),
        ((0, {"a": {"match": "x", "max_dt": None}}), TypeError, "must be real number, not NoneType"),
        ((0, {"a": {"match": "x", "block": None}}), TypeError, "'NoneType' object cannot be converted to 'Sequence'"),
        (
            (0, {"a": {"match": [["x"]], "min_val": [1.0]}}),
            TypeError,
            "'float' object cannot be converted to 'Sequence'",
        ),
        ((0, {"a": {"match": ["x", "y"], "min_val": [1.0]}}), ValueError, at_least("min_val", 2, 1, "'match'")),
        (
            (0, {"a": {"match": "x", "block": ["p", "q"], "block_max_val": [1.0]}}),
            ValueError,
            at_least("block_max_val", 2, 1, "'block'"),
        ),
        # The map is read before the default, in the dict's order.
        ((0, {"a": {"match": 3}}, {}), ValueError, "'match' must be str, list[str], or list[list[str]]"),
        ((0, {"a": {}, 1: {}}), ValueError, "mapped event spec must contain 'match' key"),
        ((0, {"a": {"match": "x"}}, {"max_at": 1.0}), ValueError, "mapped event spec must contain 'match' key"),
    ],
)
def test_refusals(args, exc, message):
    p = Pattern()
    refuses(exc, message, p.add_mapped_event, *args)
    assert "n_elements=0" in repr(p)


def test_specs_are_read_from_a_snapshot_of_the_map():
    match_map = {}

    class Shrinking:
        def __float__(self):
            match_map.clear()  # user code changing the dict while it is read
            return 9.0

    match_map["Q"] = {"match": "Z", "max_dt": Shrinking()}
    match_map["K"] = {"match": "W"}
    p = mapped(0, match_map, first=("add_event_set", ["Q", "K"]))
    assert slots(p, ["K", "W"]) == [(0, 1)]
