"""add_event, add_event_set and add_event_seq, observed through matching."""
import math

import pytest

import tidemark
from tidemark import Pattern
from matching import run, spans

NAN = math.nan


class NotIterable:
    __iter__ = None

    def __getitem__(self, i):
        return "a"


def single(method, *args, **kwargs):
    p = Pattern()
    getattr(p, method)(*args, **kwargs)
    return p


@pytest.mark.parametrize("kwargs, value, hit", [
    ({}, NAN, True),
    ({}, 3.0, True),
    ({"min_val": 1.0}, 1.0, True),
    ({"min_val": 1.0}, 0.5, False),
    ({"min_val": 1.0}, NAN, False),
    ({"max_val": 2.0}, -1e9, True),
    ({"max_val": 2.0}, 2.5, False),
    ({"min_val": 1.0, "max_val": 2.0, "require_nan_val": True}, NAN, True),
    ({"min_val": 1.0, "max_val": 2.0, "require_nan_val": True}, 1.5, False),
    ({"min_val": NAN}, NAN, True),
])
def test_event_value_constraint(kwargs, value, hit):
    r = run(single("add_event", "a", **kwargs), ["a"], [0.0], [value])
    assert spans(r) == ([(0, 0)] if hit else [])


@pytest.mark.parametrize("block_value, matches", [(3.0, [(0, 2)]), (7.0, [])])
def test_event_block_constraint(block_value, matches):
    p = Pattern()
    p.add_event("X")
    p.add_event("A", block_token="B", block_min_val=5.0)
    assert spans(run(p, ["X", "B", "A"], None, [NAN, block_value, NAN])) == matches


def test_block_constraint_without_block_token_has_no_effect():
    p = Pattern()
    p.add_event("X")
    p.add_event("A", block_min_val=3.0, block_token=None)
    assert spans(run(p, ["X", "B", "A"], None, [NAN, 5.0, NAN])) == [(0, 2)]


def test_event_set_constraints_are_per_token_and_extra_entries_ignored():
    p = single("add_event_set", ["a", "b"], min_vals=[1.0, NAN, 99.0])
    assert spans(run(p, ["a", "a", "b"], None, [0.5, 1.5, NAN])) == [(1, 1), (2, 2)]


def test_event_set_first_occurrence_decides():
    p = single("add_event_set", ["a", "a"], min_vals=[0.0, 5.0], max_vals=[1.0, 6.0])
    assert spans(run(p, ["a"], [0.0], [5.0])) == []


def test_event_set_block_values_ignored_without_block_tokens():
    p = single("add_event_set", ["a"], block_min_vals=[1.0])
    assert spans(run(p, ["a"], [0.0])) == [(0, 0)]


def test_empty_event_set_never_matches():
    assert spans(run(single("add_event_set", []), ["a"], [0.0])) == []


def test_event_seq_constraints_by_position():
    p = single("add_event_seq", [["a", "b"], ["c"]], min_vals=[[1.0], []])
    stream = ["a", "b", "c", "a", "b"]
    times = [0, 0, 1, 2, 2]
    assert spans(run(p, stream, times, [0.0, 9.0, NAN, 1.0, NAN])) == [(2, 2), (3, 4)]


def test_event_seq_length_comes_from_first_given_list():
    p = single("add_event_seq", [["a", "b"]], max_vals=[[5.0]], require_nan_vals=[[False, True]])
    assert spans(run(p, ["a", "b"], [0, 0], [1.0, 7.0])) == [(0, 1)]


def test_event_seq_block_trie_only_with_block_seqs():
    p = Pattern()
    p.add_event("X")
    p.add_event_seq([["a"]], block_min_vals=[[1.0]])
    assert spans(run(p, ["X", "a"])) == [(0, 1)]
    p = Pattern()
    p.add_event("X")
    p.add_event_seq([["a"]], block_seqs=[["q", "r"]])
    assert spans(run(p, ["X", "q", "r", "a"], [0, 1, 1, 2])) == []
    assert spans(run(p, ["X", "q", "a"], [0, 1, 2])) == [(0, 2)]


def test_event_seq_of_a_very_long_sequence_is_copied_matched_and_freed():
    n = 150_000
    seq = ["long-head"] + ["long-a"] * (n - 1)
    p = single("add_event_seq", [seq])
    assert spans(run(p, seq, [0.0] * n)) == [(0, n - 1)]
    del p


@pytest.mark.parametrize("method, args, kwargs, message", [
    ("add_event", ("a",), {"max_dt": None}, "argument 'max_dt': must be real number, not NoneType"),
    ("add_event", (3,), {}, "argument 'match_token': 'int' object cannot be converted to 'PyString'"),
    ("add_event", ("a",), {"backtrackable": 1}, "argument 'backtrackable': 'int' object cannot be converted to 'PyBool'"),
    ("add_event_set", ("ab",), {}, "argument 'match_tokens': Can't extract `str` to `Vec`"),
    ("add_event_set", (NotIterable(),), {}, "argument 'match_tokens': 'NotIterable' object cannot be converted to 'Sequence'"),
    ("add_event_set", (["a"],), {"min_vals": [None]}, "argument 'min_vals': must be real number, not NoneType"),
    ("add_event_set", (["a"],), {"block_tokens": "b"}, "argument 'block_tokens': Can't extract `str` to `Vec`"),
    ("add_event_seq", (["a", "b"],), {}, "argument 'match_seqs': Can't extract `str` to `Vec`"),
    ("add_event_seq", ([["a"]],), {"min_vals": [1.0]}, "argument 'min_vals': 'float' object cannot be converted to 'Sequence'"),
])
def test_conversion_errors(method, args, kwargs, message):
    with pytest.raises(TypeError) as info:
        getattr(Pattern(), method)(*args, **kwargs)
    assert str(info.value) == message


@pytest.mark.parametrize("method, args, kwargs, message", [
    ("add_event_set", (["a", "b"],), {"min_vals": [1.0]},
     "min_vals must have at least 2 entries to match match_tokens (got 1)"),
    ("add_event_set", (["a"],), {"block_tokens": ["b", "c"], "block_require_nan_vals": [True]},
     "block_require_nan_vals must have at least 2 entries to match block_tokens (got 1)"),
    ("add_event_seq", ([["a"], ["b"]],), {"max_vals": [[1.0]]},
     "max_vals must have at least 2 entries to match match_seqs (got 1)"),
    ("add_event_seq", ([["a", "b"]],), {"min_vals": [[1.0, 2.0]], "max_vals": [[3.0]]},
     "max_vals[0] must have at least 2 entries to match min_vals[0] (got 1)"),
])
def test_short_value_lists_are_refused(method, args, kwargs, message):
    p = Pattern()
    with pytest.raises(ValueError) as info:
        getattr(p, method)(*args, **kwargs)
    assert str(info.value) == message
    assert repr(p).startswith("Pattern(n_elements=0,")


@pytest.mark.parametrize("token, call", [
    ("fresh-1", lambda p, t: p.add_event(t, max_dt="x")),
    ("fresh-2", lambda p, t: p.add_event_set([t], min_vals=[1.0], max_vals=[])),
    ("fresh-3", lambda p, t: p.add_event_seq([["a"]], block_seqs=[[t]], block_min_vals=[[]], block_max_vals=[])),
])
def test_failed_call_appends_and_interns_nothing(token, call):
    p = Pattern()
    probe = tidemark.vocab_ids([token + "-probe"])[0]
    with pytest.raises((TypeError, ValueError)):
        call(p, token)
    assert repr(p).startswith("Pattern(n_elements=0,")
    assert tidemark.vocab_ids([token]) == [probe + 1]
