"""Ctrl-C ends a long call with KeyboardInterrupt."""

import signal
import time

import pytest
from tidemark import Pattern, TideQuery


def test_long_search_is_interrupted():
    # Every A starts a scan to the end of the stream for a B that never comes:
    # quadratic work that would run for minutes.
    p = Pattern()
    p.add_event("A")
    p.add_event("B", max_at=1e300)
    q = TideQuery(p)
    n = 200_000
    stream = q.preprocess(["A"] * n, [float(i) for i in range(n)])

    def handler(signum, frame):
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        start = time.monotonic()
        with pytest.raises(KeyboardInterrupt):
            q.match_preprocessed(stream)
        assert time.monotonic() - start < 30
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
