"""Positions per second of annotate_stream with one spec of each kind on a
1,000,000-token stream, beside a NumPy formulation of future_occurrence
(np.searchsorted over the point times), the reference a user would write by
hand. A kind's own cost is the time of a call with that one spec less the
time of a call with no spec (which converts and interns the stream)."""

import numpy as np
from bench_batch import best_times
from tidemark import AnnotationSpec, StateMachine, annotate_stream

N = 1_000_000
VOCAB = [f"CODE{i:04d}" for i in range(2000)]
W = 24.0  # hours
X, K, Z, Y = VOCAB[0], VOCAB[1], VOCAB[5], VOCAB[6]


def make_stream(seed=5):
    """Long-tailed code frequencies (the commonest code is about 3% of the
    stream), exponential gaps of about 6 minutes, normal values."""
    rng = np.random.default_rng(seed)
    weights = 1.0 / (np.arange(len(VOCAB)) + 10.0)
    codes = rng.choice(len(VOCAB), size=N, p=weights / weights.sum())
    tokens = [VOCAB[c] for c in codes]
    times = np.cumsum(rng.exponential(0.1, N))
    values = rng.normal(5.0, 2.0, N)
    return codes, tokens, times, values


def specs():
    sm = StateMachine()
    sm.add_state("episode", max_gap=48.0)
    sm.add_entry("episode", Z)
    sm.add_exit("episode", Y)
    A = AnnotationSpec
    return [
        A.future_occurrence("future_occurrence", X, W),
        A.past_occurrence("past_occurrence", X, W),
        A.before_event("before_event", X, Y),
        A.in_span("in_span", X, (Z, Y)),
        A.window_aggregate("window_aggregate", K, W, "mean"),
        A.span_aggregate("span_aggregate", K, (Z, Y), "max"),
        A.future_span_occurrence("future_span_occurrence", (Z, Y), W),
        A.past_span_occurrence("past_span_occurrence", (Z, Y), W),
        A.state_label("state_label", sm),
    ]


def numpy_future_occurrence(codes, times, code, w):
    """1 when a point lies in [t, t + w], 0 when none does, -1 when the window
    runs past the last time."""
    point_times = np.append(times[codes == code], np.inf)
    first_at_or_after = np.searchsorted(point_times, times, side="left")
    labels = (point_times[first_at_or_after] <= times + w).astype(np.int8)
    labels[times + w > times[-1]] = -1
    return labels


def main():
    codes, tokens, times, values = make_stream()
    kinds = specs()
    reference = numpy_future_occurrence(codes, times, VOCAB.index(X), W)
    assert np.array_equal(annotate_stream(tokens, times, kinds[:1], values)["future_occurrence"], reference)

    calls = [lambda: annotate_stream(tokens, times, [], values)]
    calls += [lambda s=s: annotate_stream(tokens, times, [s], values) for s in kinds]
    calls.append(lambda: numpy_future_occurrence(codes, times, VOCAB.index(X), W))
    timings = best_times(calls)
    base, numpy_s = timings[0], timings[-1]
    print(f"stream of {N:,} tokens, window {W:g} h; {int((codes == 0).sum()):,} points of the commonest code")
    print(f"annotate_stream with no spec (convert and intern the stream): {N / base / 1e6:6.1f} M positions/s")
    print(f"NumPy future_occurrence (np.searchsorted over point times):   {N / numpy_s / 1e6:6.1f} M positions/s")
    for spec, total in zip(kinds, timings[1:-1]):
        own = max(total - base, 1e-9)
        name = repr(spec).removeprefix('AnnotationSpec(name="').removesuffix('")')
        print(
            f"  {name:<24} {N / own / 1e6:7.1f} M positions/s ({numpy_s / own:5.1f} x NumPy)"
            f"   whole call {N / total / 1e6:5.1f} M positions/s"
        )


if __name__ == "__main__":
    main()
