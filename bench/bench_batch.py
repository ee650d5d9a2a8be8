"""Tokens per second of match_batch over a corpus of 100,000 documents of 100
tokens each, beside one `np.count_nonzero(token_ids == id)` pass over the same
array: a floor that no matcher reading every token can beat by much."""

import time

import numpy as np
from tidemark import Pattern, TideQuery, vocab_ids

N_DOCS = 100_000
DOC_LEN = 100
VOCAB = [f"CODE{i:04d}" for i in range(3000)]


def make_corpus(seed=11):
    """Codes drawn with a long-tailed frequency (a few common codes, many rare
    ones), coded once with vocab_ids; per document, times start anywhere in a
    year and grow by exponential gaps of about 4 hours."""
    rng = np.random.default_rng(seed)
    weights = 1.0 / (np.arange(len(VOCAB)) + 10.0)
    codes = rng.choice(len(VOCAB), size=N_DOCS * DOC_LEN, p=weights / weights.sum())
    remap = np.array(vocab_ids(VOCAB), dtype=np.uint32)
    token_ids = remap[codes]
    gaps = rng.exponential(4.0, size=(N_DOCS, DOC_LEN))
    gaps[:, 0] = rng.uniform(0.0, 24.0 * 365, size=N_DOCS)
    times = np.cumsum(gaps, axis=1).ravel()
    offsets = np.arange(0, N_DOCS * DOC_LEN + 1, DOC_LEN, dtype=np.int64)
    return token_ids, times, offsets, remap


def best_times(fns, rounds=9):
    """The best wall time of each function, measured in interleaved rounds so
    that every one sees the same load of a shared machine."""
    best = [float("inf")] * len(fns)
    for _ in range(rounds):
        for i, fn in enumerate(fns):
            t0 = time.perf_counter()
            fn()
            best[i] = min(best[i], time.perf_counter() - t0)
    return best


def patterns():
    a, b, c, d = VOCAB[5], VOCAB[40], VOCAB[120], VOCAB[300]
    plain = Pattern()
    for t in (a, b, c):
        plain.add_event(t)
    windowed = Pattern()
    windowed.add_event(a)
    windowed.add_event(b, block_token=d, max_dt=48.0)
    windowed.add_event(c)
    return [("plain ordered, 3 elements", plain), ("3 elements, a 48-hour window and a block", windowed)]


def main():
    token_ids, times, offsets, remap = make_corpus()
    total = len(token_ids)
    probe = int(remap[5])
    queries = [(name, TideQuery(p)) for name, p in patterns()]
    floor_s, *match_s = best_times(
        [lambda: np.count_nonzero(token_ids == probe)]
        + [lambda q=q: q.match_batch(token_ids, times, offsets) for _, q in queries]
    )
    print(f"{N_DOCS:,} documents, {total:,} tokens, {len(VOCAB):,} codes")
    print(f"{'count_nonzero(token_ids == id) (floor)':<44} {total / floor_s / 1e6:8.1f} M tokens/s")
    for (name, q), s in zip(queries, match_s):
        matched = int(np.count_nonzero(q.match_batch(token_ids, times, offsets)["m_start"] >= 0))
        print(
            f"{name:<44} {total / s / 1e6:8.1f} M tokens/s   {s / floor_s:5.2f} x floor   {matched:,} documents matched"
        )


if __name__ == "__main__":
    main()
