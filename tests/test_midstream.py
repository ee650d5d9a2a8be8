"""The midstream collector: its declaration and what it collects between elements."""

import pytest
from matching import plain, run
from tidemark import Pattern


def events(*tokens, midstream=None, **midstream_kwargs):
    """A pattern of events (a list makes an event set, a tuple a sequence) with a midstream
    collector declared by (match_tokens, start_after, stop_before)."""
    p = Pattern()
    for t in tokens:
        if isinstance(t, str):
            p.add_event(t)
        else:
            p.add_event_set(t) if isinstance(t, list) else p.add_event_seq([list(t)])
    if midstream is not None:
        p.add_midstream_collector(*midstream, **midstream_kwargs)
    return p


def mid(p, tokens, times=None):
    return run(p, tokens, times)["mid_result"]


@pytest.mark.parametrize(
    "pattern, tokens, times, expected",
    [
        # Between elements 0 and 2; B is not listed, so it is not collected.
        (events("A", "B", "Q", midstream=(["x"], [0], [2])), "AxxBxQ", None, [["x", "x", "x"]]),
        # The stop_before element's own position is tested before it matches there.
        (events("A", "x", midstream=(["x"], [0], [1])), "Axx", None, [["x"], ["x", "x"]]),
        # No start_after element: collection starts at stream position 0.
        (events("A", "B", midstream=(["x"], [], [1])), "xxAxB", None, [["x", "x", "x"]]),
        # A listed sequence counts once, as its first token.
        (events("A", "Q", midstream=([["x", "y"]], [0], [1])), "AxyQ", [0, 1, 1, 2], [["x"]]),
        (events("A", "Q", midstream=([["x", "y"]], [0], [1])), "AxzyQ", [0, 1, 1, 1, 2], [[]]),
        # A continuation keeps what its scan collected.
        (events("A", "B", midstream=(["x"], [], [])), "AxBxB", None, [["x"], ["x", "x"]]),
        # Collection stops once element 1 has matched, whatever comes after.
        (events("A", "B", "Q", midstream=(["x"], [], [1])), "AxBxQ", None, [["x"]]),
        (events("A", "B", "Q", midstream=([], [], [])), "AxBxQ", None, [[]]),
        # Positions inside a matched sequence are not visited.
        (events("A", ("x", "y"), "Q", midstream=(["y"], [], [])), "AxyyQ", [0, 1, 1, 2, 3], [["y"]]),
    ],
)
def test_collected_stretch(pattern, tokens, times, expected):
    assert mid(pattern, tokens, times) == expected


@pytest.mark.parametrize(
    "kind, expected",
    [
        ("count", [2.0]),
        ("sum_times", [3.0]),
        ("collect_tokens", [["x", "x"]]),
        ("collect_times", [[1.0, 2.0]]),
        ("collect_pairs", [[("x", 1.0), ("x", 2.0)]]),
        ("none", None),
    ],
)
def test_collector_kinds(kind, expected):
    assert plain(mid(events("A", "B", midstream=(["x"], [0], [1]), collector=kind), "AxxB")) == expected


@pytest.mark.parametrize(
    "start_after, stop_before, same_as",
    [
        ([64], [65], ([0], [1])),
        ([0, 0, 2], [130], ([0, 2], [2])),
        ([1, 65], [], ([1], [])),
    ],
)
def test_element_indices_count_modulo_64(start_after, stop_before, same_as):
    tokens = "xAxBxCx"
    a = events("A", "B", "C", midstream=(["x"], start_after, stop_before))
    b = events("A", "B", "C", midstream=(["x"], *same_as))
    assert mid(a, tokens) == mid(b, tokens)


def test_a_later_call_replaces_the_collector_and_a_failed_one_keeps_it():
    p = events("A", "B", midstream=(["x"], [0], [1]))
    p.add_midstream_collector(["y"], [0], [1], collector="count")
    assert repr(p) == "Pattern(n_elements=2, ordered=true, collector=None, midstream=true)"  # adds no element
    assert mid(p, "AxyyB").tolist() == [2.0]
    for bad in (("x", [0], [1]), ([["x"], []], [0], [1]), (["x"], [-1], [1]), (["x"], [0], [1], "sum")):
        with pytest.raises((TypeError, ValueError, OverflowError)):
            p.add_midstream_collector(*bad)
    assert mid(p, "AxyyB").tolist() == [2.0]


@pytest.mark.parametrize(
    "args, exc, message",
    [
        (([["x"], []], [0], [1]), ValueError, "^match_tokens sequences must not be empty$"),
        (("x", [0], [1]), TypeError, r"^match_tokens must be list\[str\] or list\[list\[str\]\]$"),
        ((["x", ["y"]], [0], [1]), TypeError, r"^match_tokens must be list\[str\] or list\[list\[str\]\]$"),
        (([[], "y"], [0], [1]), TypeError, r"^match_tokens must be list\[str\] or list\[list\[str\]\]$"),
        ((["x"], [-1], [1]), OverflowError, "^can't convert negative value to size_t$"),
        ((["x"], "0", [1]), TypeError, "^argument 'start_after': "),
        ((["x"], [0], [1.0]), TypeError, "^argument 'stop_before': 'float' object cannot be interpreted"),
        ((["x"], [0], [1], None), TypeError, "^argument 'collector': "),
        # start_after, stop_before and collector are converted before match_tokens.
        (("x", [0], None), TypeError, "^argument 'stop_before': "),
        (("x", [0], [1], 3), TypeError, "^argument 'collector': "),
        # match_tokens is checked before the collector name.
        (("x", [0], [1], "sum"), TypeError, r"^match_tokens must be list\[str\]"),
        ((["x"], [0], [1], "Count"), ValueError, "^Unknown collector 'Count'. Choose: none, sum_times, count, "),
    ],
)
def test_refusals(args, exc, message):
    p = events("A")
    with pytest.raises(exc, match=message):
        p.add_midstream_collector(*args)
    assert "midstream=false" in repr(p)
