"""Pattern: its options, its repr, and what a query takes from it."""

import pytest
from matching import pattern, refuses, spans
from tidemark import Pattern, TideQuery

UNKNOWN = "Unknown collector '{}'. Choose: none, sum_times, count, collect_tokens, collect_times, collect_pairs"


@pytest.mark.parametrize(
    "collector, display",
    [
        ("none", "None"),
        ("sum_times", "SumTimes"),
        ("count", "Count"),
        ("collect_tokens", "CollectTokens"),
        ("collect_times", "CollectTimes"),
        ("collect_pairs", "CollectPairs"),
    ],
)
def test_collector_names(collector, display):
    p = Pattern(ordered=False, collector=collector)
    p.add_event("a")
    p.add_event("b")
    assert repr(p) == f"Pattern(n_elements=2, ordered=false, collector={display}, midstream=false)"


@pytest.mark.parametrize("name", ["Count", "sum", "", "none ", "none\0x"])
def test_unknown_collector(name):
    refuses(ValueError, UNKNOWN.format(name), Pattern, collector=name)


def test_query_takes_a_deep_copy():
    p = pattern("A")
    q = TideQuery(p)
    p.add_event("B")
    assert spans(q.match_stream(["A", "C"], [0, 1])) == [(0, 0)]
    assert spans(TideQuery(p).match_stream(["A", "C"], [0, 1])) == []


def test_reentrant_builder_call_is_refused_and_leaves_pattern_unchanged():
    p = Pattern()

    class Sneaky:
        def __float__(self):
            p.add_time_event()
            return 1.0

    refuses(RuntimeError, "Pattern is already being modified by another call", p.add_event, "outer", max_dt=Sneaky())
    assert repr(p) == "Pattern(n_elements=0, ordered=true, collector=None, midstream=false)"
    p.add_event("after")
    assert repr(p).startswith("Pattern(n_elements=1,")
