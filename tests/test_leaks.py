"""Repeated calls of every entry point hold no more references and no more
traced memory than the first few did."""

import gc
import sys
import tracemalloc

import pytest
from entry_points import CALLS, GENERAL, MACHINE, QUERY, SPECS, STREAM, TIMES, TOKENS, VALUES

SHARED = [QUERY, GENERAL, MACHINE, STREAM, TOKENS, TIMES, VALUES, *SPECS, *TOKENS]
ROUNDS = 200


def refcounts():
    return [sys.getrefcount(o) for o in SHARED]


@pytest.mark.parametrize("name", sorted(CALLS))
def test_repeated_calls_stay_flat(name):
    call = CALLS[name]
    for _ in range(5):  # caches and interned tokens settle
        call()
    gc.collect()
    refs = refcounts()
    tracemalloc.start()
    try:
        for _ in range(ROUNDS // 4):
            call()
        gc.collect()
        settled = tracemalloc.get_traced_memory()[0]
        for _ in range(ROUNDS):
            call()
        gc.collect()
        grown = tracemalloc.get_traced_memory()[0] - settled
    finally:
        tracemalloc.stop()
    assert refcounts() == refs
    # A leak of one small object per call would be several kilobytes here.
    assert grown < 2048, f"{name}: {grown} bytes more after {ROUNDS} calls"
