"""add_event, add_event_set and add_event_seq, observed through matching."""

import math

import pytest
from builder_messages import at_least
from matching import fresh_token, refuses, run, spans, strings_held
from tidemark import Pattern

NAN = math.nan


def then(first, method, *args, **kwargs):
    """A pattern of the event `first` (if any), then one element built by `method`."""
    p = Pattern()
    if first:
        p.add_event(first)
    getattr(p, method)(*args, **kwargs)
    return p


@pytest.mark.parametrize(
    "kwargs, value, hit",
    [
        ({}, NAN, True),
        ({"min_val": 1.0}, 1.0, True),
        ({"min_val": 1.0}, 0.5, False),
        ({"min_val": 1.0}, NAN, False),
        ({"max_val": 2.0}, -1e9, True),
        ({"max_val": 2.0}, 2.5, False),
        ({"min_val": 1.0, "max_val": 2.0, "require_nan_val": True}, NAN, True),
        ({"min_val": 1.0, "max_val": 2.0, "require_nan_val": True}, 1.5, False),
        ({"min_val": NAN}, NAN, True),
    ],
)
def test_event_value_constraint(kwargs, value, hit):
    r = run(then(None, "add_event", "a", **kwargs), ["a"], [0.0], [value])
    assert spans(r) == ([(0, 0)] if hit else [])


SET, SEQ = "add_event_set", "add_event_seq"
BLOCK_B = dict(block_token="B", block_min_val=5.0)


@pytest.mark.parametrize(
    "p, tokens, times, values, expected",
    [
        (then("X", "add_event", "A", **BLOCK_B), "XBA", None, [NAN, 3.0, NAN], [(0, 2)]),
        (then("X", "add_event", "A", **BLOCK_B), "XBA", None, [NAN, 7.0, NAN], []),
        (then("X", "add_event", "A", block_min_val=3.0, block_token=None), "XBA", None, [NAN, 5.0, NAN], [(0, 2)]),
        # Set constraints are per token; extra entries are ignored.
        (then(None, SET, ["a", "b"], min_vals=[1.0, NAN, 99.0]), "aab", None, [0.5, 1.5, NAN], [(1, 1), (2, 2)]),
        # A token listed twice: its first occurrence decides.
        (then(None, SET, ["a", "a"], min_vals=[0.0, 5.0], max_vals=[1.0, 6.0]), "a", None, [5.0], []),
        (then(None, SET, ["a"], block_min_vals=[1.0]), "a", None, None, [(0, 0)]),
        (then(None, SET, []), "a", None, None, []),
        # Sequence constraints are by position; a sequence's length comes from the first given list.
        (
            then(None, SEQ, [["a", "b"], ["c"]], min_vals=[[1.0], []]),
            "abcab",
            [0, 0, 1, 2, 2],
            [0, 9, NAN, 1, NAN],
            [(2, 2), (3, 4)],
        ),
        (
            then(None, SEQ, [["a", "b"]], max_vals=[[5.0]], require_nan_vals=[[False, True]]),
            "ab",
            [0, 0],
            [1, 7],
            [(0, 1)],
        ),
        # Block values without block sequences build no block trie.
        (then("X", SEQ, [["a"]], block_min_vals=[[1.0]]), "Xa", None, None, [(0, 1)]),
        (then("X", SEQ, [["a"]], block_seqs=[["q", "r"]]), "Xqra", [0, 1, 1, 2], None, []),
        (then("X", SEQ, [["a"]], block_seqs=[["q", "r"]]), "Xqa", None, None, [(0, 2)]),
    ],
)
def test_constraints(p, tokens, times, values, expected):
    assert spans(run(p, list(tokens), times, values)) == expected


def test_event_seq_of_a_very_long_sequence_is_copied_matched_and_freed():
    n = 150_000
    seq = ["long-head"] + ["long-a"] * (n - 1)
    p = then(None, "add_event_seq", [seq])
    assert spans(run(p, seq, [0.0] * n)) == [(0, n - 1)]
    del p


@pytest.mark.parametrize(
    "call, exc, message",
    [
        (lambda p, t: p.add_event(t, max_dt="x"), TypeError, "argument 'max_dt': must be real number, not str"),
        (
            lambda p, t: p.add_event_set([t, "b"], min_vals=[1.0]),
            ValueError,
            at_least("min_vals", 2, 1, "match_tokens"),
        ),
        (
            lambda p, t: p.add_event_set([t], min_vals=[1.0], max_vals=[]),
            ValueError,
            at_least("max_vals", 1, 0, "match_tokens"),
        ),
        (
            lambda p, t: p.add_event_set(["a"], block_tokens=[t, "c"], block_require_nan_vals=[True]),
            ValueError,
            at_least("block_require_nan_vals", 2, 1, "block_tokens"),
        ),
        (
            lambda p, t: p.add_event_seq([[t], ["b"]], max_vals=[[1.0]]),
            ValueError,
            at_least("max_vals", 2, 1, "match_seqs"),
        ),
        (
            lambda p, t: p.add_event_seq([[t, "b"]], min_vals=[[1.0, 2.0]], max_vals=[[3.0]]),
            ValueError,
            at_least("max_vals[0]", 2, 1, "min_vals[0]"),
        ),
        (
            lambda p, t: p.add_event_seq([["a"]], block_seqs=[[t]], block_min_vals=[[]], block_max_vals=[]),
            ValueError,
            at_least("block_max_vals", 1, 0, "block_seqs"),
        ),
    ],
)
def test_refused_call_appends_and_interns_nothing(call, exc, message):
    p = Pattern()
    before = strings_held()
    refuses(exc, message, call, p, fresh_token())
    assert strings_held() == before + 1
    assert repr(p).startswith("Pattern(n_elements=0,")
