"""The corpus entry points against the concatenation of the single-stream
results of each document."""

import numpy as np
import pytest
import tidemark
from annotation_helpers import AGGS, TOKENS, token_refs
from corpus_helpers import corpora, flat, flat_collected
from hypothesis import given
from hypothesis import strategies as st
from matching import assert_columns_equal, refuses
from state_reference import build as build_machine
from test_state_properties import machines
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery

A = AnnotationSpec
COLLECTORS = ["none", "sum_times", "count", "collect_tokens", "collect_times", "collect_pairs"]
MATCH_KEYS = ["m_start", "m_end", "t_start", "t_end", "el_stream_idx", "el_times"]
token = st.sampled_from(TOKENS)


@st.composite
def queries(draw):
    """A pattern of 1 to 3 elements (events, sets, sequences, time bounds, value
    ranges, blocks), its collector kind, and its midstream collector's kind."""
    collector = draw(st.sampled_from(COLLECTORS))
    p = Pattern(
        max_dt=draw(st.sampled_from([float("inf"), 1.0, 3.0])), collector=collector, ordered=draw(st.booleans())
    )
    n = draw(st.integers(1, 3))
    for _ in range(n):
        kind = draw(st.sampled_from(["event", "set", "seq", "valued"]))
        max_dt = draw(st.sampled_from([float("inf"), 0.0, 2.0]))
        if kind == "event":
            p.add_event(draw(token), block_token=draw(st.none() | token), max_dt=max_dt)
        elif kind == "set":
            p.add_event_set(draw(st.lists(token, min_size=1, max_size=2)), max_dt=max_dt)
        elif kind == "seq":
            p.add_event_seq([draw(st.lists(token, min_size=1, max_size=2))], max_dt=max_dt)
        else:
            p.add_event(draw(token), min_val=0.0, max_dt=max_dt)
    mid = draw(st.sampled_from(["none", "collect_tokens", "count", "collect_pairs"]))
    if mid != "none":
        p.add_midstream_collector(["x", "a"], [0], [n - 1], collector=mid)
    return TideQuery(p), collector, mid


def per_doc(docs, call):
    return [call(tokens, times, values) for tokens, times, values in docs]


@given(queries(), corpora, st.booleans(), st.booleans())
def test_all_matches_equal_match_stream_per_document(query, docs, first_only, with_values):
    q, collector, mid = query
    ids, times, offsets, values = flat(docs)
    got = tidemark._corpus_match(q, ids, times, offsets, values if with_values else None, first_only=first_only)
    singles = per_doc(docs, lambda t, ti, v: q.match_stream(t, ti, v if with_values else None, first_only))
    expected = {"doc": np.repeat(np.arange(len(docs)), [len(r["m_start"]) for r in singles]).astype(np.int64)}
    for key in MATCH_KEYS:
        expected[key] = np.concatenate([r[key] for r in singles]) if singles else got[key][:0]
    expected["result"] = flat_collected(collector, [r["result"] for r in singles])
    expected["mid_result"] = flat_collected(mid, [r["mid_result"] for r in singles])
    assert_columns_equal(expected, got)
    counts = tidemark._corpus_match_counts(q, ids, times, offsets, values if with_values else None)
    full = per_doc(docs, lambda t, ti, v: q.match_stream(t, ti, v if with_values else None))
    np.testing.assert_array_equal(counts, [len(r["m_start"]) for r in full])
    assert counts.dtype == np.int64


windows = st.sampled_from([0.0, 1.0, 2.5])


def pair_or_pattern(draw):
    if draw(st.booleans()):
        return draw(st.tuples(token, token))
    p = Pattern()
    p.add_event(draw(token))
    p.add_event(draw(token), max_dt=draw(windows))
    return p


def machine_span():
    m = StateMachine()
    m.add_state("s", max_gap=2.0)
    m.add_entry("s", "a")
    m.add_exit("s", "b")
    return m


@st.composite
def specs(draw):
    """One spec of each kind the draw picks, with random references and windows."""
    kind = draw(st.integers(0, 8))
    x, w, partial = draw(token_refs), draw(windows), draw(st.booleans())
    span = machine_span().span("s") if draw(st.booleans()) else pair_or_pattern(draw)
    name = f"c{kind}"
    return [
        lambda: A.future_occurrence(name, x, w, partial),
        lambda: A.past_occurrence(name, x, w, partial),
        lambda: A.before_event(name, x, draw(token_refs), draw(st.booleans())),
        lambda: A.in_span(name, x, span),
        lambda: A.window_aggregate(name, x, w, draw(st.sampled_from(AGGS)), draw(st.booleans()), partial),
        lambda: A.span_aggregate(name, x, span, draw(st.sampled_from(AGGS))),
        lambda: A.future_span_occurrence(name, span, w, partial),
        lambda: A.past_span_occurrence(name, span, w, partial),
        lambda: A.state_label(name, machine_span(), 0, -1),
    ][kind]()


@given(st.lists(specs(), min_size=1, max_size=3), corpora, st.booleans())
def test_label_columns_equal_annotate_stream_per_document(spec_list, docs, with_values):
    ids, times, offsets, values = flat(docs)
    got = tidemark._corpus_annotate(ids, times, offsets, spec_list, values if with_values else None)
    empty = tidemark.annotate_stream([], [], spec_list)
    singles = per_doc(docs, lambda t, ti, v: tidemark.annotate_stream(t, ti, spec_list, v if with_values else None))
    expected = {name: np.concatenate([col] + [r[name] for r in singles]) for name, col in empty.items()}
    assert_columns_equal(expected, got)


@given(machines(), corpora, st.booleans())
def test_state_rows_equal_state_spans_per_document(machine, docs, include_invalid):
    m = build_machine("out", *machine)
    ids, times, offsets, values = flat(docs)
    got = tidemark._corpus_state_spans(ids, times, offsets, m, values, include_invalid=include_invalid)
    empty = tidemark.state_spans([], [], m)
    singles = per_doc(docs, lambda t, ti, v: tidemark.state_spans(t, ti, m, v, include_invalid))
    expected = {"doc": np.repeat(np.arange(len(docs)), [len(r["state"]) for r in singles]).astype(np.int64)}
    expected |= {key: np.concatenate([col] + [r[key] for r in singles]) for key, col in empty.items()}
    assert_columns_equal(expected, got)


def test_documents_cut_from_a_larger_corpus_keep_its_rows():
    # Offsets need not start at 0 nor end at the last row: documents 1 and 2
    # of a larger corpus are read in place.
    ids, times, offsets, _ = flat([(["a"], [0.0], [1.0]), (["a", "b"], [0.0, 1.0], [1.0, 2.0]), (["b"], [5.0], [3.0])])
    spec = A.future_occurrence("f", "b", 1.0, partial_window=True)
    part = tidemark._corpus_annotate(ids, times, offsets[1:], [spec])
    np.testing.assert_array_equal(part["f"], [1, 1, 1])


def corpus_call(name, offsets):
    ids, times = np.zeros(4, np.uint32), np.zeros(4)
    q = TideQuery(Pattern())
    calls = {
        "match": lambda: tidemark._corpus_match(q, ids, times, offsets),
        "counts": lambda: tidemark._corpus_match_counts(q, ids, times, offsets),
        "annotate": lambda: tidemark._corpus_annotate(ids, times, offsets, []),
        "states": lambda: tidemark._corpus_state_spans(ids, times, offsets, StateMachine()),
    }
    return calls[name]


@pytest.mark.parametrize("name", ["match", "counts", "annotate", "states"])
@pytest.mark.parametrize(
    "offsets, message",
    [
        ([], "offsets must have length n_docs + 1"),
        ([-1, 2], "offsets: document 0 starts at row -1, before row 0"),
        ([0, 3, 2, 4], "offsets: document 1 ends at row 2, before its start at row 3"),
        ([0, 2, -5], "offsets: document 1 ends at row -5, before its start at row 2"),
        ([0, 4, 5], "offsets: document 1 ends at row 5, past the last of the 4 rows"),
        ([7], "offsets: the corpus starts at row 7, past the last of the 4 rows"),
    ],
)
def test_malformed_offsets_name_the_first_bad_document(name, offsets, message):
    refuses(ValueError, message, corpus_call(name, np.array(offsets, dtype=np.int64)))


IDS, TIMES, OFFSETS = np.zeros(2, np.uint32), np.zeros(2), np.array([0, 2])


@pytest.mark.parametrize(
    "call, exc, message",
    [
        (
            lambda: tidemark._corpus_annotate(IDS.astype(np.int64), TIMES, OFFSETS, []),
            TypeError,
            "argument 'token_ids': 'ndarray' object cannot be converted to 'PyArray<T, D>'",
        ),
        (
            lambda: tidemark._corpus_annotate(IDS, np.zeros(3), OFFSETS, []),
            ValueError,
            "times has length 3 but token_ids has length 2",
        ),
        (
            lambda: tidemark._corpus_match("q", IDS, TIMES, OFFSETS),
            TypeError,
            "argument 'query': 'str' object cannot be converted to 'TideQuery'",
        ),
        (
            lambda: tidemark._corpus_state_spans(IDS, TIMES, OFFSETS, "m"),
            TypeError,
            "argument 'machine': 'str' object cannot be converted to 'StateMachine'",
        ),
    ],
)
def test_argument_errors_name_the_argument(call, exc, message):
    refuses(exc, message, call)
