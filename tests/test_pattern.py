import pytest

from tidemark import Pattern, TideQuery
from matching import pattern, run, spans

UNKNOWN = "Unknown collector '{}'. Choose: none, sum_times, count, collect_tokens, collect_times, collect_pairs"


def test_empty_pattern_repr():
    assert repr(Pattern()) == "Pattern(n_elements=0, ordered=true, collector=None, midstream=false)"


@pytest.mark.parametrize("collector, display", [
    ("none", "None"), ("sum_times", "SumTimes"), ("count", "Count"),
    ("collect_tokens", "CollectTokens"), ("collect_times", "CollectTimes"), ("collect_pairs", "CollectPairs"),
])
def test_collector_names(collector, display):
    p = Pattern(ordered=False, collector=collector)
    p.add_event("a")
    p.add_event("b")
    assert repr(p) == f"Pattern(n_elements=2, ordered=false, collector={display}, midstream=false)"


@pytest.mark.parametrize("name", ["Count", "sum", "", "none ", "none\0x"])
def test_unknown_collector(name):
    with pytest.raises(ValueError) as info:
        Pattern(collector=name)
    assert str(info.value) == UNKNOWN.format(name)


def test_bounds_take_ints_and_positional_arguments():
    p = Pattern(0, 5)  # max_dt 5 as an int
    p.add_event("A")
    p.add_event("B")
    assert spans(run(p, ["A", "B", "B"], [0, 5, 5.5])) == [(0, 1)]


def test_query_takes_a_deep_copy():
    p = pattern("A")
    q = TideQuery(p)
    p.add_event("B")
    assert spans(q.match_stream(["A", "C"], [0, 1])) == [(0, 0)]
    assert spans(TideQuery(p).match_stream(["A", "C"], [0, 1])) == []


def test_query_refuses_non_patterns():
    with pytest.raises(TypeError, match=r"^argument 'pattern': 'list' object cannot be converted to 'Pattern'$"):
        TideQuery([])


@pytest.mark.parametrize("n, ok", [(64, True), (65, False)])
def test_element_limit_is_checked_at_match_time(n, ok):
    p = Pattern(max_at=1e300)
    tokens = [f"lim{i}" for i in range(n)]
    for t in tokens:
        p.add_event(t)
    assert repr(p).startswith(f"Pattern(n_elements={n},")
    q = TideQuery(p)
    if ok:
        r = q.match_stream(tokens, list(range(n)))
        assert spans(r) == [(0, n - 1)]
        assert r["el_stream_idx"].shape == (1, n)
    else:
        with pytest.raises(ValueError, match=f"^Pattern has {n} elements; maximum is 64$"):
            q.match_stream(tokens, list(range(n)))


def test_reentrant_builder_call_is_refused_and_leaves_pattern_unchanged():
    p = Pattern()

    class Sneaky:
        def __float__(self):
            p.add_event("inner")
            return 1.0

    with pytest.raises(RuntimeError):
        p.add_event("outer", max_dt=Sneaky())
    assert repr(p).startswith("Pattern(n_elements=0,")
    p.add_event("after")
    assert repr(p).startswith("Pattern(n_elements=1,")

