"""Time, relative-time and dynamic elements: builder rules and how they match."""

import math

import pytest
from builder_messages import at_least, length
from hypothesis import given
from hypothesis import strategies as st
from matching import fresh_token, refuses, run, slots, stream_of, strings_held
from tidemark import Pattern

NAN = math.nan
TIME_METHODS = ["add_time_event", "add_dynamic_time_event"]
DE, DS, SB, SM = "add_dynamic_event", "add_dynamic_event_set", "static_block_tokens", "static_match_tokens"


def after(first, method, **kwargs):
    """The pattern [event (a str) or event set `first`, element built by `method`]."""
    p = Pattern()
    p.add_event(first) if isinstance(first, str) else p.add_event_set(first)
    getattr(p, method)(**kwargs)
    return p


def after_a(method, **kwargs):
    return after("A", method, **kwargs)


# --- time elements ---------------------------------------------------------


def test_time_event_consumes_the_first_position_in_its_window():
    out = run(after_a("add_time_event", min_dt=2), ["A", "B", "Q"], [0, 1, 3], include_tokens=True)
    assert out["el_stream_idx"].tolist() == [[0, 2]] and out["el_tokens"] == [["A", "Q"]]
    p = Pattern()
    p.add_time_event()
    p.add_event("A")
    assert slots(p, ["A", "A"]) == [(0, 1)]


@pytest.mark.parametrize("method", TIME_METHODS)
@pytest.mark.parametrize(
    "kwargs, x_value, blocked",
    [
        ({"block_token": "x"}, NAN, True),
        ({"block_token": "x", "block_min_val": 1.0}, 0.5, False),
        ({"block_token": "x", "block_min_val": 1.0}, 2.0, True),
        ({"block_min_val": 1.0}, 2.0, False),  # no block token: the bound is ignored
        ({"block_tokens": ["y", "x"], "block_max_vals": [NAN, 5.0]}, 7.0, False),
        ({"block_tokens": ["y", "x"], "block_max_vals": [NAN, 5.0]}, 3.0, True),
        ({"block_tokens": ["x"], "block_require_nan_vals": [True]}, 3.0, False),
        ({"block_tokens": ["x"], "block_min_val": NAN}, 3.0, True),  # a NaN bound counts as not given
        ({"block_tokens": []}, 3.0, False),
    ],
)
def test_time_element_blocks(method, kwargs, x_value, blocked):
    # The window opens at t = 2, after x at t = 1 has had its chance to block.
    bounds = {"min_dt": 2.0} if method == "add_time_event" else {"rel_min_dt": 2.0}
    rows = slots(after_a(method, **bounds, **kwargs), ["A", "x", "Q"], [0, 1, 3], [NAN, x_value, NAN])
    assert rows == ([] if blocked else [(0, 2)])


@given(
    st.sampled_from(TIME_METHODS),
    st.booleans(),
    st.floats(-3, 3) | st.just(NAN),
    st.floats(-3, 3) | st.just(NAN),
    st.lists(st.tuples(st.sampled_from("AxQ"), st.floats(-4, 4) | st.just(NAN)), max_size=8),
)
def test_singular_block_equals_one_token_block_list(method, flag, lo, hi, stream):
    singular = after_a(method, block_token="x", block_min_val=lo, block_max_val=hi, block_require_nan_val=flag)
    plural = after_a(
        method, block_tokens=["x"], block_min_vals=[lo], block_max_vals=[hi], block_require_nan_vals=[flag]
    )
    tokens, values = [t for t, _ in stream], [v for _, v in stream]
    assert slots(singular, tokens, None, values) == slots(plural, tokens, None, values)


MIXED = (
    "block_min_val/block_max_val/block_require_nan_val apply to block_token; "
    "use the plural value-constraint arguments with block_tokens"
)
BOTH, PLURAL = "use either block_token or block_tokens, not both", "plural block value constraints require block_tokens"


TIME_REFUSALS = [
    ({"block_tokens": ["x", "y"], "block_min_vals": [1.0]}, length("block_min_vals", 2, 1)),
    ({"block_tokens": ["x", "y"], "block_max_vals": [1.0, 2.0, 3.0]}, length("block_max_vals", 2, 3)),
    ({"block_tokens": ["x"], "block_min_vals": [1.0, 2.0], "block_max_vals": []}, length("block_min_vals", 1, 2)),
    ({"block_tokens": ["x"], "block_require_nan_vals": []}, length("block_require_nan_vals", 1, 0)),
    ({"block_token": "x", "block_tokens": []}, BOTH),
    ({"block_token": "x", "block_tokens": ["y"], "block_min_val": 1.0}, BOTH),
    ({"block_tokens": ["x"], "block_require_nan_val": True}, MIXED),
    ({"block_tokens": ["x"], "block_max_val": 1.0, "block_min_vals": [1.0, 2.0]}, MIXED),
    ({"block_min_vals": []}, PLURAL),
    ({"block_token": "x", "block_require_nan_vals": [True]}, PLURAL),
]


@pytest.mark.parametrize(
    "method, kwargs, message",
    [(m, *row) for m in TIME_METHODS for row in TIME_REFUSALS]
    + [
        (DE, {"static_block_tokens": ["x", "y"], "block_max_vals": [1.0]}, at_least("block_max_vals", 2, 1, SB)),
        (DS, {"static_match_tokens": ["x", "y"], "require_nan_vals": [True]}, at_least("require_nan_vals", 2, 1, SM)),
        (
            DS,
            {"static_match_tokens": ["x"], "static_block_tokens": ["y", "z"], "block_min_vals": [1.0]},
            at_least("block_min_vals", 2, 1, SB),
        ),
    ],
)
def test_refusals_intern_nothing(method, kwargs, message):
    p = Pattern()
    kwargs = {
        k: fresh_token() if k == "block_token" else [fresh_token() for _ in v] if k.endswith("_tokens") else v
        for k, v in kwargs.items()
    }
    before = strings_held()
    refuses(ValueError, message, getattr(p, method), **kwargs)
    assert strings_held() == before + 1
    assert "n_elements=0" in repr(p)


@pytest.mark.parametrize(
    "method, kwargs, arg",
    [
        ("add_time_event", {"min_dt": "1"}, "min_dt"),
        ("add_dynamic_time_event", {"rel_max_dt": "1"}, "rel_max_dt"),
        ("add_time_event", {"block_tokens": "xy"}, "block_tokens"),
        # Conversions come before the block checks: this would also mix both forms.
        ("add_time_event", {"block_token": "x", "block_tokens": ["y"], "block_min_vals": [None]}, "block_min_vals"),
        ("add_dynamic_event_set", {"static_match_tokens": ["a", 1]}, "static_match_tokens"),
        ("add_dynamic_event_set", {"max_vals": ["1"]}, "max_vals"),
    ],
)
def test_conversion_errors_name_the_argument(method, kwargs, arg):
    p = Pattern()
    with pytest.raises(TypeError, match=f"^argument '{arg}': "):
        getattr(p, method)(**kwargs)
    assert "n_elements=0" in repr(p)


# --- relative time windows -------------------------------------------------


@pytest.mark.parametrize(
    "kwargs, expected",
    [
        ({"rel_min_dt": 2.0, "min_at": 2.9}, [(0, 3), (0, 4)]),  # lo = max(2.9, 0 + 2)
        ({"rel_min_dt": 2.0, "max_at": 1.5}, []),  # hi = min(1.5, inf) < lo
    ],
)
def test_dynamic_time_window_is_relative_to_the_last_match(kwargs, expected):
    assert slots(after_a("add_dynamic_time_event", **kwargs), ["A", "B", "C", "D", "E"], [0, 1, 2.5, 3, 4]) == expected


@pytest.mark.parametrize(
    "method, kwargs, expected",
    [
        ("add_dynamic_time_event", {"rel_max_dt": 5.0}, []),  # with no last match, hi = -inf + rel_max_dt
        ("add_dynamic_time_event", {}, [(0, 1)]),
        ("add_dynamic_event", {}, []),  # no last token to match
    ],
)
def test_relative_element_first_on_the_branch(method, kwargs, expected):
    p = Pattern()
    getattr(p, method)(**kwargs)
    p.add_event("A")
    assert slots(p, ["A", "A"]) == expected


@given(st.integers(0, 4), st.integers(0, 4), st.lists(st.tuples(st.sampled_from("AB"), st.integers(0, 3)), max_size=8))
def test_relative_window_after_an_element_equals_gap_bounds(lo, width, stream):
    relative = after_a("add_dynamic_time_event", rel_min_dt=lo, rel_max_dt=lo + width)
    gap = after_a("add_time_event", min_dt=lo, max_dt=lo + width)
    tokens, times = stream_of(stream)
    assert slots(relative, tokens, times) == slots(gap, tokens, times)


# --- dynamic elements ------------------------------------------------------


@pytest.mark.parametrize(
    "method, kwargs, tokens, values, expected",
    [
        (DE, {}, "axa", None, [(0, 2)]),
        (DE, {}, "axb", None, []),
        (DE, {"min_val": 2.0}, "aa", [NAN, 1.0], []),
        (DE, {"min_val": 2.0}, "aa", [NAN, 3.0], [(0, 1)]),
        (DE, {"static_block_tokens": ["x"]}, "axa", None, []),
        (DE, {"static_block_tokens": ["x"], "block_min_vals": [5.0]}, "axa", [NAN, 3.0, NAN], [(0, 2)]),
        (DE, {"block_min_vals": [1.0]}, "axa", None, [(0, 2)]),  # no static block tokens: ignored
        (DS, {}, "ab", None, []),  # no static tokens, match_from_last off: matches nothing
        (DS, {"static_match_tokens": ["x"]}, "axa", None, [(0, 1)]),
        (DS, {"match_from_last": True}, "axb", None, []),
        (DS, {"match_from_last": True}, "axa", None, [(0, 2)]),
        # The last token is also a static token: one hit, so one match.
        (DS, {"static_match_tokens": ["a"], "match_from_last": True}, "aa", None, [(0, 1)]),
        # Static tokens keep their constraints; the last token alone is unconstrained.
        (DS, {"static_match_tokens": ["a"], "min_vals": [5.0], "match_from_last": True}, "aa", [NAN, 1.0], []),
        (DS, {"static_match_tokens": ["a"], "min_vals": [5.0], "match_from_last": True}, "bb", [NAN, 1.0], [(0, 1)]),
        (DS, {"static_match_tokens": ["x"], "block_from_last": True}, "aax", None, [(1, 2)]),
        (DS, {"static_match_tokens": ["x"], "block_from_last": True}, "abx", None, [(0, 2), (1, 2)]),
        (DS, {SM: ["x"], SB: ["y"], "block_min_vals": [2.0]}, "ayx", [NAN, 1.0, NAN], [(0, 2)]),
        (DS, {SM: ["x"], SB: ["y"], "block_min_vals": [2.0]}, "ayx", [NAN, 3.0, NAN], []),
    ],
)
def test_dynamic_events_after_a_set(method, kwargs, tokens, values, expected):
    assert slots(after(["a", "b"], method, **kwargs), list(tokens), None, values) == expected
