"""Ctrl-C ends every kind of long call with KeyboardInterrupt, also when the
work sits inside one long same-timestamp sequence walk."""

import signal
import time

import numpy as np
import pytest
import tidemark
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery, annotate_stream, state_spans, vocab_ids

# A sequence of L tokens that fails only at its last token: over a stream of
# L same-timestamp "a", the walk from every position goes to the end, so the
# whole call is quadratic in L.
L = 100_000
LONG = ["a"] * (L - 1) + ["b"]
SAME_TIME = [0.0] * L


def sequence_pattern(length):
    p = Pattern()
    p.add_event_seq([["a"] * (length - 1) + ["b"]])
    return p


def huge_sequence():
    n = 1_000_000
    q = TideQuery(sequence_pattern(n))
    stream = q.preprocess(["a"] * n, [0.0] * n)
    return lambda: q.match_preprocessed(stream)


def a_then_b():
    p = Pattern()
    p.add_event("A")
    p.add_event("B", max_at=1e300)
    return p


def quadratic_search():
    # Every A starts a scan to the end of the stream for the one B there:
    # quadratic work that would run for minutes.
    n = 400_000
    q = TideQuery(a_then_b())
    stream = q.preprocess(["A"] * n + ["B"], [float(i) for i in range(n + 1)])
    return lambda: q.match_preprocessed(stream)


def corpus_of_scans(n_docs=200, length=20_000):
    # Every document ends in its only B, so each A scans to the document's end (no pruning can skip it).
    a_id, b_id = vocab_ids(["A", "B"])
    ids = np.full(n_docs * length, a_id, dtype=np.uint32)
    ids[length - 1 :: length] = b_id
    return ids, np.tile(np.arange(length, dtype=np.float64), n_docs), np.arange(0, ids.size + 1, length)


def corpus_match():
    q, corpus = TideQuery(a_then_b()), corpus_of_scans()
    return lambda: tidemark._corpus_match(q, *corpus)


def corpus_labels():
    spec, corpus = AnnotationSpec.future_occurrence("f", a_then_b(), 1.0), corpus_of_scans()
    return lambda: tidemark._corpus_annotate(*corpus, [spec])


def mapped_sequence():
    p = Pattern()
    p.add_event("k")
    p.add_mapped_event(0, {"k": {"match": [LONG]}})
    q = TideQuery(p)
    return lambda: q.match_stream(["k"] + ["a"] * L, [0.0] * (L + 1))


def midstream_sequence():
    p = Pattern()
    p.add_event("s")
    p.add_event("e")
    p.add_midstream_collector([LONG], [0], [1], "count")
    q = TideQuery(p)
    return lambda: q.match_stream(["s"] + ["a"] * L + ["e"], [0.0] * (L + 2))


def batch_sequence():
    q = TideQuery(sequence_pattern(L))
    ids = np.full(L, vocab_ids(["a"])[0], dtype=np.uint32)
    return lambda: q.match_batch(ids, np.zeros(L), np.array([0, L], dtype=np.int64))


def state_run():
    sm = StateMachine()
    sm.add_state("s")
    sm.add_entry("s", [LONG])
    return lambda: state_spans(["a"] * L, SAME_TIME, sm)


def label_sweep():
    spec = AnnotationSpec.past_occurrence("x", [LONG], 1.0)
    return lambda: annotate_stream(["a"] * L, SAME_TIME, [spec])


@pytest.mark.parametrize(
    "make_call",
    [
        huge_sequence,
        quadratic_search,
        mapped_sequence,
        midstream_sequence,
        batch_sequence,
        state_run,
        label_sweep,
        corpus_match,
        corpus_labels,
    ],
)
def test_long_call_is_interrupted(make_call):
    call = make_call()

    def handler(signum, frame):
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        start = time.monotonic()
        with pytest.raises(KeyboardInterrupt):
            call()
        # Generous: without cancellation each call would run for minutes.
        assert time.monotonic() - start < 30
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
