"""TideQuery: stream inputs, preprocessing and the result dictionary."""

import numpy as np
import pytest
import tidemark
from matching import assert_columns_equal, pattern, plain, refuses, run, spans
from tidemark import Pattern, TideQuery

KEYS = ["m_start", "m_end", "t_start", "t_end", "el_stream_idx", "el_times", "result", "mid_result"]


# float64 arrays in every layout: test_stream_columns.
@pytest.mark.parametrize("times", [np.array([0, 1, 2], dtype=np.float32), np.array([0, 1, 2]), (0, 1, 2)])
def test_times_from_other_numpy_dtypes_and_tuples(times):
    r = TideQuery(pattern("a", "b")).match_stream(["a", "x", "b"], times)
    assert r["t_end"].tolist() == [2.0]


def test_result_keys_and_dtypes():
    r = run(pattern("a", "b"), ["a", "b"])
    assert list(r) == KEYS and r["result"] is None and r["mid_result"] is None
    assert [r[k].dtype for k in KEYS[:6]] == [np.int64, np.int64, np.float64, np.float64, np.int64, np.float64]
    assert r["el_stream_idx"].flags.c_contiguous
    empty = TideQuery(pattern("a", "b", collector="sum_times")).match_stream([], [], include_tokens=True)
    assert list(empty) == KEYS[:6] + ["el_tokens"] + KEYS[6:]
    assert {k: (empty[k].dtype, empty[k].shape) for k in ["m_start", "el_stream_idx", "el_times", "result"]} == {
        "m_start": (np.int64, (0,)),
        "el_stream_idx": (np.int64, (0, 2)),
        "el_times": (np.float64, (0, 2)),
        "result": (np.float64, (0,)),
    }
    assert empty["el_tokens"] == []


def test_preprocessed_stream():
    q = TideQuery(pattern("a", "b"))
    tokens, times, values = ["a", "x", "b", "a", "b"], [0, 1, 2, 3, 4], [1, 2, 3, 4, 5]
    s = q.preprocess(tokens, times, values)
    assert len(s) == 5 and repr(s) == "PreprocessedStream(len=5)"
    other = TideQuery(pattern("b"))
    assert_columns_equal(
        other.match_preprocessed(s, include_tokens=True), other.match_stream(tokens, times, values, include_tokens=True)
    )
    assert_columns_equal(
        q.match_preprocessed(stream=s, first_only=True), q.match_stream(tokens, times, first_only=True)
    )


def test_element_limit_is_checked_after_the_stream_is_interned():
    tokens = [f"lim{i}" for i in range(65)]
    r = run(pattern(*tokens[:64], max_at=1e300), tokens[:64])
    assert spans(r) == [(0, 63)] and r["el_stream_idx"].shape == (1, 64)
    q = TideQuery(pattern(*tokens))
    probe = tidemark.vocab_ids(["limit-probe"])[0]
    refuses(ValueError, "Pattern has 65 elements; maximum is 64", q.match_stream, ["limit-new"], [0.0])
    assert tidemark.vocab_ids(["limit-new"]) == [probe + 1]
    refuses(ValueError, "Pattern has 65 elements; maximum is 64", q.match_preprocessed, q.preprocess(["a"], [0.0]))


def test_el_tokens_forms_in_stream_order():
    p = Pattern(ordered=False)
    p.add_event("a")
    p.add_event_seq([["u", "w"]])
    r = run(p, ["u", "w", "a"], [0, 0, 1], include_tokens=True)
    assert spans(r) == [(0, 2)] and r["el_stream_idx"].tolist() == [[0, 2]]
    assert r["el_tokens"] == [[["u", "w"], "a"]]


@pytest.mark.parametrize(
    "collector, expected",
    [
        ("sum_times", [5.0, 7.0]),
        ("count", [2.0, 2.0]),
        ("collect_tokens", [["A", "B"], ["A", "B"]]),
        ("collect_times", [[1.0, 4.0], [1.0, 6.0]]),
        ("collect_pairs", [[("A", 1.0), ("B", 4.0)], [("A", 1.0), ("B", 6.0)]]),
    ],
)
def test_pattern_collectors(collector, expected):
    r = run(pattern("A", "B", collector=collector), ["A", "B", "B"], [1.0, 4.0, 6.0])
    assert plain(r["result"]) == expected


def test_result_arrays_own_their_data():
    r = run(pattern("a"), ["a"] * 1000)
    m = r["m_start"]
    del r
    assert m.sum() == sum(range(1000))
