"""Milliseconds of the general search on patterns that cannot match, by number of
elements: k elements that all match "A" over 2k "A" tokens, then one element
that cannot complete. The search tries every placement of the k elements,
C(2k, k) of them when ordered (about 4x per element) and more when not; the
last column is the growth over the row before."""

import time

from tidemark import Pattern, TideQuery


def ordered_missing(k):
    # The last element's token never occurs.
    p = Pattern()
    for _ in range(k):
        p.add_event("A", max_at=1e300)  # a bound keeps the pattern off the fast path
    p.add_event("Z")
    return p, ["A"] * (2 * k)


def ordered_too_early(k):
    # The last element's token occurs only before the A tokens.
    p, tokens = ordered_missing(k)
    return p, ["Z"] + tokens


def time_elements_missing(k):
    p = Pattern()
    for _ in range(k):
        p.add_time_event()
    p.add_event("Z")
    return p, ["A"] * (2 * k)


def unordered_missing(k):
    p = Pattern(ordered=False)
    for _ in range(k):
        p.add_event("A")
    p.add_event("Z")
    return p, ["A"] * (2 * k)


FAMILIES = [
    (ordered_missing, range(7, 11)),
    (ordered_too_early, range(7, 11)),
    (time_elements_missing, range(7, 11)),
    (unordered_missing, range(4, 7)),
]


def seconds(make, k):
    p, tokens = make(k)
    q = TideQuery(p)
    times = [float(i) for i in range(len(tokens))]
    t0 = time.perf_counter()
    out = q.match_stream(tokens, times)
    elapsed = time.perf_counter() - t0
    assert len(out["m_start"]) == 0
    return elapsed


def main():
    print(f"{'family':24} {'k':>3} {'ms':>10} {'x previous':>11}")
    for make, sizes in FAMILIES:
        previous = None
        for k in sizes:
            s = seconds(make, k)
            growth = f"{s / previous:11.1f}" if previous else f"{'':11}"
            print(f"{make.__name__:24} {k:3d} {s * 1000:10.3f} {growth}")
            previous = max(s, 1e-9)


if __name__ == "__main__":
    main()
