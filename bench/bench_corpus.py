"""The corpus entry points over 100,000 documents of 100 tokens each (the
corpus of bench_batch.py): all matches and the first match per document in
tokens per second, beside match_batch and one count_nonzero pass; each
annotation kind over the corpus beside the same call on one document of the
same total length (the ratio is the cost of the document boundaries); and a
state machine's spans in events per second."""

import numpy as np
import tidemark
from bench_batch import DOC_LEN, N_DOCS, VOCAB, best_times, make_corpus
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery

A = AnnotationSpec
ADMIT, LAB, DRUG, DISCHARGE = VOCAB[3], VOCAB[8], VOCAB[30], VOCAB[12]


def queries():
    """Every (ADMIT, LAB > 4 within 6 hours) pair, and every pair of the two
    most common codes within a day (many matches per document)."""
    rare = Pattern()
    rare.add_event(ADMIT)
    rare.add_event(LAB, min_val=4.0, max_dt=6.0)
    common = Pattern(max_dt=24.0)
    common.add_event(VOCAB[0])
    common.add_event(VOCAB[1])
    return [("(ADMIT, LAB > 4 within 6 h)", TideQuery(rare)), ("(CODE0000, CODE0001 within 24 h)", TideQuery(common))]


def machine():
    m = StateMachine()
    m.add_state("stay", max_gap=72.0)
    m.add_entry("stay", ADMIT)
    m.add_exit("stay", DISCHARGE)
    return m


def specs():
    stay = machine().span("stay")
    # A bound on the whole match lets the search stop scanning after a day
    # (without it each ADMIT of the one long document scans to its end).
    window = Pattern(max_dt=24.0)
    window.add_event(ADMIT)
    window.add_event(DRUG, max_dt=24.0)
    return [
        A.future_occurrence("future_occurrence", LAB, 48.0),
        A.past_occurrence("past_occurrence", [LAB, DRUG], 24.0),
        A.before_event("before_event", LAB, DISCHARGE),
        A.in_span("in_span", DRUG, (ADMIT, DISCHARGE)),
        A.window_aggregate("window_aggregate", LAB, 24.0, "mean"),
        A.span_aggregate("span_aggregate", LAB, stay, "max"),
        A.future_span_occurrence("future_span_occurrence", window, 48.0),
        A.past_span_occurrence("past_span_occurrence", stay, 24.0),
        A.state_label("state_label", machine()),
    ]


def main():
    ids, times, offsets, remap = make_corpus()
    total = len(ids)
    values = np.random.default_rng(3).uniform(0.0, 8.0, size=total)
    # One document of the same rows: each document's times moved past the
    # previous one's, so windows hold what they hold in the corpus.
    one_times = times + np.repeat(np.arange(N_DOCS) * 1e5, DOC_LEN)
    one_offsets = np.array([0, total], dtype=np.int64)
    probe = int(remap[3])
    print(f"{N_DOCS:,} documents, {total:,} tokens")
    for title, q in queries():
        floor, batch, first, every, counts = best_times(
            [
                lambda: np.count_nonzero(ids == probe),
                lambda q=q: q.match_batch(ids, times, offsets, values),
                lambda q=q: tidemark._corpus_match(q, ids, times, offsets, values, first_only=True),
                lambda q=q: tidemark._corpus_match(q, ids, times, offsets, values),
                lambda q=q: tidemark._corpus_match_counts(q, ids, times, offsets, values),
            ],
            rounds=5,
        )
        n_matches = len(tidemark._corpus_match(q, ids, times, offsets, values)["doc"])
        print(f"\n{title}: {n_matches:,} matches")
        for name, s in [
            ("count_nonzero(token_ids == id) (floor)", floor),
            ("match_batch (first match)", batch),
            ("_corpus_match first_only=True", first),
            ("_corpus_match (every match)", every),
            ("_corpus_match_counts", counts),
        ]:
            print(f"  {name:<40} {s:7.3f} s  {total / s / 1e6:7.1f} M tokens/s  {s / floor:6.2f} x floor")

    print(f"\n{'annotation kind':<24} {'corpus':>9} {'one doc':>9} {'ratio':>7}")
    for spec in specs():
        corpus_s, one_s = best_times(
            [
                lambda spec=spec: tidemark._corpus_annotate(ids, times, offsets, [spec], values),
                lambda spec=spec: tidemark._corpus_annotate(ids, one_times, one_offsets, [spec], values),
            ],
            rounds=3,
        )
        name = next(iter(tidemark.annotate_stream([], [], [spec])))
        print(f"{name:<24} {corpus_s:8.3f}s {one_s:8.3f}s {corpus_s / one_s:6.2f}x")

    m = machine()
    (spans_s,) = best_times([lambda: tidemark._corpus_state_spans(ids, times, offsets, m, values)], rounds=3)
    rows = len(tidemark._corpus_state_spans(ids, times, offsets, m, values)["doc"])
    print(f"\nstate spans: {spans_s:.3f} s, {total / spans_s / 1e6:.1f} M events/s, {rows:,} instances")


if __name__ == "__main__":
    main()
