"""match_batch: argument rules, the offsets rules, and agreement with match_stream."""

import math

import numpy as np
import pytest
import tidemark
from array_layouts import unaligned
from hypothesis import given
from hypothesis import strategies as st
from matching import pattern, refuses
from tidemark import Pattern, TideQuery

VOCAB = ["A", "B", "C", "x"]
IDS = dict(zip(VOCAB, tidemark.vocab_ids(VOCAB)))


def abc():
    return pattern("A", "B", "C")


def general():
    p = Pattern(max_dt=6.0)
    p.add_event("A")
    p.add_time_event(block_token="x", block_min_val=0.0, min_dt=1.0)
    p.add_event_set(["B", "C"], block_tokens=["A"], min_vals=[math.nan, 0.0])
    return p


def dynamic_and_mapped():
    p = Pattern()
    p.add_event_set(["A", "B"])
    p.add_dynamic_event()
    p.add_mapped_event(0, {"A": {"match": "C", "max_dt": 3.0}}, {"match": "x"})
    p.add_mapped_event(64, {"A": {"match": "A"}}, {"match": ["B", "C"]})  # no slot: the default applies
    return p


def unordered_with_midstream(kind):
    p = Pattern(ordered=False)
    p.add_event("A", block_token="x")
    p.add_event("C")
    p.add_midstream_collector(["B", "x"], [], [1], kind)
    return p


PATTERNS = [abc, general, dynamic_and_mapped] + [
    (lambda k=k: unordered_with_midstream(k)) for k in ("count", "sum_times", "collect_tokens", "collect_pairs", "none")
]


def batch(p, tokens, offsets, times=None, values=None):
    ids = np.array([IDS[t] for t in tokens], dtype=np.uint32)
    times = np.arange(len(tokens), dtype=np.float64) if times is None else np.asarray(times, dtype=np.float64)
    values = None if values is None else np.asarray(values, dtype=np.float64)
    return TideQuery(p).match_batch(ids, times, np.asarray(offsets, dtype=np.int64), values)


def first_match(p, tokens, times, values):
    """(m_start, m_end, mid) of the first match of match_stream, or the defaults."""
    out = TideQuery(p).match_stream(tokens, times, values, first_only=True)
    if len(out["m_start"]) == 0:
        return -1, -1, math.nan
    r = out["mid_result"]
    mid = math.nan if r is None else float(r[0]) if isinstance(r, np.ndarray) else float(len(r[0]))
    return int(out["m_start"][0]), int(out["m_end"][0]), mid


@st.composite
def corpora(draw):
    """(tokens, times, values, offsets) of up to five documents, with at most
    two invalid offsets (negative, past the end) put anywhere, now and then
    shuffled (documents inverted, out of order or overlapping)."""
    event = st.tuples(st.sampled_from(VOCAB), st.integers(0, 3), st.sampled_from([math.nan, -1.0, 2.0]))
    docs = draw(st.lists(st.lists(event, max_size=12), min_size=1, max_size=5))
    doc = [e for d in docs for e in d]
    offsets = np.cumsum([0] + [len(d) for d in docs]).tolist()
    for bad in draw(st.lists(st.sampled_from([-1, -2, len(doc) + 1]), max_size=2)):
        offsets.insert(draw(st.integers(0, len(offsets))), bad)
    if draw(st.booleans()):
        offsets = draw(st.permutations(offsets))
    values = [v for _, _, v in doc] if draw(st.booleans()) else None
    return [t for t, _, _ in doc], np.cumsum([d for _, d, _ in doc]).astype(np.float64), values, offsets


@given(st.sampled_from(PATTERNS), corpora())
def test_batch_equals_first_match_of_each_slice(make, corpus):
    tokens, times, values, offsets = corpus
    p = make()
    out = batch(p, tokens, offsets, times, values)
    expected = []
    for s, e in zip(offsets, offsets[1:]):
        if 0 <= s < e <= len(tokens):
            expected.append(first_match(p, tokens[s:e], times[s:e].tolist(), values and values[s:e]))
        else:
            expected.append((-1, -1, math.nan))
    assert out["m_start"].tolist() == [m[0] for m in expected]
    assert out["m_end"].tolist() == [m[1] for m in expected]
    with_mid = repr(p).endswith("midstream=true)")
    assert list(out) == ["m_start", "m_end"] + ["mid"] * with_mid
    if with_mid:
        np.testing.assert_array_equal(out["mid"], [m[2] for m in expected])


def test_unknown_token_ids_match_nothing():
    ids = np.array([IDS["A"], 2**32 - 1, IDS["B"], IDS["C"]], dtype=np.uint32)
    out = TideQuery(abc()).match_batch(ids, np.zeros(4), np.array([0, 4], dtype=np.int64))
    assert out["m_start"].tolist() == [0]


def test_values_none_means_no_values_and_read_only_arrays_are_read():
    p = Pattern()
    p.add_event("A", require_nan_val=True)
    ids, times, offsets = np.array([IDS["A"]], np.uint32), np.zeros(1), np.array([0, 1], np.int64)
    for a in (ids, times, offsets):
        a.flags.writeable = False
    q = TideQuery(p)
    assert q.match_batch(ids, times, offsets)["m_start"].tolist() == [0]
    assert q.match_batch(ids, times, offsets, None)["m_start"].tolist() == [0]
    assert q.match_batch(ids, times, offsets, values=np.array([1.0]))["m_start"].tolist() == [-1]


def test_unaligned_arrays_are_read():
    tokens, times = list("xABxCABC"), np.arange(8, dtype=np.float64)
    ids = np.array([IDS[t] for t in tokens], np.uint32)
    offsets, values = np.array([0, 5, 8], np.int64), np.linspace(-1, 1, 8)
    q = TideQuery(general())
    aligned = q.match_batch(ids, times, offsets, values)
    args = [unaligned(a) for a in (ids, times, offsets, values)]
    assert not any(a.flags.aligned for a in args)
    shifted = q.match_batch(*args)
    assert {k: v.tolist() for k, v in shifted.items()} == {k: v.tolist() for k, v in aligned.items()}


GOOD = dict(token_ids=np.zeros(3, np.uint32), times=np.zeros(3), offsets=np.array([0, 3], np.int64))


@pytest.mark.parametrize(
    "name, bad, type_name",
    [
        ("token_ids", [0, 0, 0], "list"),
        ("token_ids", np.zeros(3, np.uint64), "ndarray"),
        ("token_ids", np.zeros((3, 1), np.uint32), "ndarray"),
        ("times", np.zeros(3, np.float32), "ndarray"),
        ("offsets", np.array([0, 3], np.int32), "ndarray"),
        ("values", [0.0, 0.0, 0.0], "list"),
        ("values", np.zeros(3, np.float32), "ndarray"),
    ],
)
def test_arrays_of_the_exact_dtype_only(name, bad, type_name):
    refuses(
        TypeError,
        f"argument '{name}': '{type_name}' object cannot be converted to 'PyArray<T, D>'",
        TideQuery(abc()).match_batch,
        **{**GOOD, name: bad},
    )


@pytest.mark.parametrize("name", ["token_ids", "times", "offsets", "values"])
def test_strided_arrays_are_refused(name):
    args = {**GOOD, "values": np.zeros(3)}
    args[name] = np.repeat(args[name], 2)[::2]
    with pytest.raises(TypeError, match="^The given array is not contiguous$"):
        TideQuery(abc()).match_batch(**args)


@pytest.mark.parametrize(
    "args, exc, message",
    [
        # Every argument is converted before any contiguity check ...
        ({"token_ids": np.zeros(6, np.uint32)[::2], "offsets": [0, 3]}, TypeError, "^argument 'offsets': "),
        # ... which comes before the offsets and length checks.
        ({"values": np.zeros(6)[::2], "offsets": np.zeros(0, np.int64)}, TypeError, "not contiguous"),
        (
            {"offsets": np.zeros(0, np.int64), "times": np.zeros(2)},
            ValueError,
            "^offsets must have length n_docs [+] 1$",
        ),
        ({"times": np.zeros(2)}, ValueError, "^times has length 2 but token_ids has length 3$"),
        ({"values": np.zeros(4)}, ValueError, "^values has length 4 but token_ids has length 3$"),
    ],
)
def test_order_of_checks(args, exc, message):
    with pytest.raises(exc, match=message):
        TideQuery(abc()).match_batch(**{**GOOD, **args})


def test_element_limit_is_checked_after_the_lengths():
    p = Pattern()
    for _ in range(65):
        p.add_time_event()
    q = TideQuery(p)
    with pytest.raises(ValueError, match="^times has length"):
        q.match_batch(**{**GOOD, "times": np.zeros(1)})
    with pytest.raises(ValueError, match="^Pattern has 65 elements; maximum is 64$"):
        q.match_batch(**GOOD)


def test_no_documents():
    p = abc()
    p.add_midstream_collector(["x"], [0], [1], "count")
    out = TideQuery(p).match_batch(np.zeros(0, np.uint32), np.zeros(0), np.zeros(1, np.int64))
    assert {k: (v.dtype, v.shape) for k, v in out.items()} == {
        "m_start": (np.int64, (0,)),
        "m_end": (np.int64, (0,)),
        "mid": (np.float64, (0,)),
    }
