"""TideQuery: stream input rules, preprocessing and the result dictionary."""
import math

import numpy as np
import pytest

import tidemark
from tidemark import Pattern, TideQuery
from matching import assert_results_equal, pattern, run, spans

KEYS = ["m_start", "m_end", "t_start", "t_end", "el_stream_idx", "el_times", "result", "mid_result"]


@pytest.mark.parametrize("tokens, times, values, message", [
    (["a", "b", "c"], [0, 1], None, "times has length 2 but tokens has length 3"),
    (["a", "b", "c"], [0, 1, 2], [1.0, 2.0], "values has length 2 but tokens has length 3"),
    (["a", "b", "c"], [0, 1], [1.0, 2.0], "times has length 2 but tokens has length 3"),
])
def test_length_rule(tokens, times, values, message):
    q = TideQuery(pattern("a"))
    for call in (lambda: q.match_stream(tokens, times, values), lambda: q.preprocess(tokens, times, values)):
        with pytest.raises(ValueError) as info:
            call()
        assert str(info.value) == message


@pytest.mark.parametrize("kwargs, message", [
    ({"tokens": "ab", "times": [0, 1]}, "argument 'tokens': Can't extract `str` to `Vec`"),
    ({"tokens": ["a"], "times": ["x"]}, "argument 'times': must be real number, not str"),
    ({"tokens": ["a"], "times": [0], "values": 3}, "argument 'values': 'int' object cannot be converted to 'Sequence'"),
    ({"tokens": ["a"], "times": [0], "first_only": 1}, "argument 'first_only': 'int' object cannot be converted to 'PyBool'"),
    ({"tokens": ["a"], "times": [0], "include_tokens": None},
     "argument 'include_tokens': 'NoneType' object cannot be converted to 'PyBool'"),
])
def test_argument_conversion(kwargs, message):
    with pytest.raises(TypeError) as info:
        TideQuery(pattern("a")).match_stream(**kwargs)
    assert str(info.value) == message


def test_values_none_is_the_same_as_omitted():
    q = TideQuery(pattern("a"))
    assert_results_equal(q.match_stream(["a"], [0.0], None), q.match_stream(["a"], [0.0]))


@pytest.mark.parametrize("times", [
    np.array([0.0, 1.0, 2.0]),
    np.array([0.0, 1.0, 2.0], dtype=np.float32),
    np.array([0, 1, 2]),
    np.array([0.0, 9.0, 1.0, 9.0, 2.0])[::2],
    (0, 1, 2),
])
def test_times_from_numpy_and_tuples(times):
    r = TideQuery(pattern("a", "b")).match_stream(["a", "x", "b"], times)
    assert r["t_end"].tolist() == [2.0]


def test_empty_stream_shapes():
    r = TideQuery(pattern("a", "b", collector="sum_times")).match_stream([], [], include_tokens=True)
    assert list(r) == KEYS[:6] + ["el_tokens"] + KEYS[6:]
    assert r["m_start"].dtype == np.int64 and r["m_start"].shape == (0,)
    assert r["el_stream_idx"].shape == (0, 2) and r["el_times"].dtype == np.float64
    assert r["result"].dtype == np.float64 and r["result"].shape == (0,)
    assert r["el_tokens"] == [] and r["mid_result"] is None


def test_key_order_and_dtypes():
    r = run(pattern("a", "b"), ["a", "b"])
    assert list(r) == KEYS
    assert [r[k].dtype for k in KEYS[:6]] == [np.int64, np.int64, np.float64, np.float64, np.int64, np.float64]
    assert r["el_stream_idx"].flags.c_contiguous and r["result"] is None


def test_preprocessed_stream():
    q = TideQuery(pattern("a", "b"))
    tokens, times, values = ["a", "x", "b", "a", "b"], [0, 1, 2, 3, 4], [1, 2, 3, 4, 5]
    s = q.preprocess(tokens, times, values)
    assert len(s) == 5 and repr(s) == "PreprocessedStream(len=5)"
    other = TideQuery(pattern("b"))
    assert_results_equal(other.match_preprocessed(s, include_tokens=True),
                         other.match_stream(tokens, times, values, include_tokens=True))
    assert_results_equal(q.match_preprocessed(stream=s, first_only=True), q.match_stream(tokens, times, first_only=True))
    with pytest.raises(TypeError, match=r"^argument 'stream': 'list' object cannot be converted to 'PreprocessedStream'$"):
        q.match_preprocessed([])


def test_too_many_elements_interns_the_stream_first():
    p = Pattern()
    for i in range(65):
        p.add_event(f"big{i}")
    q = TideQuery(p)
    probe = tidemark.vocab_ids(["limit-probe"])[0]
    with pytest.raises(ValueError, match="^Pattern has 65 elements; maximum is 64$"):
        q.match_stream(["limit-new"], [0.0])
    assert tidemark.vocab_ids(["limit-new"]) == [probe + 1]
    s = q.preprocess(["a"], [0.0])
    with pytest.raises(ValueError, match="^Pattern has 65 elements; maximum is 64$"):
        q.match_preprocessed(s)


def test_el_tokens_forms():
    p = Pattern(ordered=False)
    p.add_event("a")
    p.add_event_seq([["u", "w"]])
    r = run(p, ["u", "w", "a"], [0, 0, 1], include_tokens=True)
    assert r["el_tokens"] == [[["u", "w"], "a"]]
    assert r["el_stream_idx"].tolist() == [[0, 2]]


def test_unordered_slots_follow_stream_order():
    p = Pattern(ordered=False)
    p.add_event("A")
    p.add_event("B")
    r = run(p, ["B", "A"], include_tokens=True)
    assert spans(r) == [(0, 1)]
    assert r["el_stream_idx"].tolist() == [[0, 1]] and r["el_tokens"] == [["B", "A"]]


@pytest.mark.parametrize("collector, expected", [
    ("sum_times", [5.0]),
    ("count", [2.0]),
    ("collect_tokens", [["A", "B"]]),
    ("collect_pairs", [[("A", 1.0), ("B", 4.0)]]),
])
def test_pattern_collectors(collector, expected):
    r = run(pattern("A", "B", collector=collector), ["A", "B"], [1.0, 4.0])
    result = r["result"]
    if isinstance(result, np.ndarray):
        assert result.dtype == np.float64
        result = result.tolist()
    assert result == expected


def test_collect_times_gives_arrays():
    r = run(pattern("A", "B", collector="collect_times"), ["A", "B", "B"], [1.0, 4.0, 6.0])
    assert [a.tolist() for a in r["result"]] == [[1.0, 4.0], [1.0, 6.0]]
    assert all(a.dtype == np.float64 for a in r["result"])


def test_result_arrays_own_their_data():
    r = run(pattern("a"), ["a"] * 1000)
    m = r["m_start"]
    del r
    assert m.sum() == sum(range(1000))
