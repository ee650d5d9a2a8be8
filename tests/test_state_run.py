"""state_spans where the model test does not reach: pattern firing spans, pinned hard cases of the run,
limits, validation and the run's errors."""

import pytest
from matching import pattern
from state_reference import KEYS, rows_of
from tidemark import StateMachine, state_spans


def spans(sm, tokens, times=None, **kwargs):
    if times is None:
        times = range(len(tokens))
    return rows_of(state_spans(list(tokens), [float(t) for t in times], sm, **kwargs))


def machine(states, entries=(), exits=()):
    """states: name -> add_state keywords; entries/exits: (state, trigger) or (state, trigger, keywords)."""
    sm = StateMachine()
    for name, kw in states.items():
        sm.add_state(name, **kw)
    for state, trigger, *kw in entries:
        sm.add_entry(state, trigger, **(kw or [{}])[0])
    for state, trigger, *kw in exits:
        sm.add_exit(state, trigger, **(kw or [{}])[0])
    return sm


def test_result_dict_keys_and_dtypes_on_an_empty_stream():
    r = state_spans([], [], machine({"a": {}}, [("a", "x")]))
    assert list(r) == KEYS
    assert [r[k].dtype.name for k in KEYS] == "int32 int64 int64 float64 float64 int64 int8 int8 int8 int8".split()
    assert all(r[k].shape == (0,) for k in KEYS)


TIMEOUT_CHAIN = {"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, timeout_to="c"), "c": dict(max_gap=1.0)}
EXEMPT = {"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, min_events=3)}
CUT = {"a": dict(max_gap=1.0, timeout_to="b"), "b": {}, "c": dict(drop_unclosed=False)}
KEPT = dict(drop_unclosed=False)
AB, REQ, NOT_INCL = pattern("a", "b"), {"a": dict(require=["r"])}, dict(inclusive=False)


def rows(text):
    """Rows written one digit per column (state, start_pos, end_pos, t_start, t_end, n_events, close_reason,
    reject_reason, valid, timeout_entered), separated by spaces."""
    return [tuple(float(x) if k in (3, 4) else int(x) for k, x in enumerate(r)) for r in text.split()]


@pytest.mark.parametrize(
    "states, entries, exits, tokens, times, expected",
    [
        # b and c open and expire at the position of y without holding a position: both are empty.
        (TIMEOUT_CHAIN, [("a", "x")], [], "xy", [0, 9], "1000111010 2101201011 3102301011"),
        (EXEMPT, [("a", "x")], [], "xy", [0, 9], "1000111010 2101201011"),  # timeout-entered: exempt from min_events
        # b opens at y's position when a expires, and y's entry into c cuts it to nothing.
        (CUT, [("a", "x"), ("c", "y")], [], "xy", [0, 5], "1000111010 2101502011 3115513010"),
        # A required hit must lie inside: the exit's span (r, e) starts at r, which only an inclusive exit keeps.
        (REQ, [("a", "x")], [("a", [["r", "e"]], NOT_INCL)], "xyre", [0, 1, 2, 2], "1010210400"),
        (REQ, [("a", "x")], [("a", [["r", "e"]])], "xyre", [0, 1, 2, 2], "1030210010"),
        # Pattern (a, b) anchored at its end fires at b (3) and owns the span from a (1): o, entered at 2,
        # keeps its start as its end and closes at the time of a.
        ({"o": KEPT, "p": KEPT}, [("o", "q"), ("p", AB)], [], "zaqb", None, "2131313010 1222112010"),
        # Anchored at its start it fires at a (1); q then moves on to o.
        (
            {"o": KEPT, "p": KEPT},
            [("o", "q"), ("p", AB, dict(anchor="start"))],
            [],
            "zaqb",
            None,
            "2111212010 1232313010",
        ),
        ({"o": {}, "p": KEPT}, [("o", "z"), ("p", AB)], [], "zaqb", None, "1000112010 2131313010"),
        # A pattern exit ends the instance at the pattern's end, or before its start when not inclusive.
        ({"o": {}}, [("o", "z")], [("o", AB)], "zaqbq", None, "1030310010"),
        ({"o": {}}, [("o", "z")], [("o", AB, NOT_INCL)], "zaqbq", None, "1000310010"),
    ],
)
def test_pinned_runs(states, entries, exits, tokens, times, expected):
    assert spans(machine(states, entries, exits), tokens, times) == rows(expected)


@pytest.mark.parametrize(
    "rules, tokens, reject",
    [
        # drop_unclosed comes first, whatever else fails; then min_duration, min_events, require.
        (dict(min_duration=10.0, min_events=5, require=["r"]), "xy", 1),
        (dict(min_duration=3.0, min_events=5, require=["r"]), "xye", 2),
        (dict(min_duration=2.0, min_events=2, require=["r"]), "xye", 3),
        (dict(min_events=1, require=["r", "s"]), "xrye", 4),
        (dict(require=[[["r", "s"]]]), "xrse", 4),  # a sequence needs one timestamp
    ],
)
def test_reject_reasons_in_order(rules, tokens, reject):
    sm = machine({"a": rules}, [("a", "x")], [("a", "e")])
    [row] = spans(sm, tokens)
    assert row[7:9] == (reject, 0)


@pytest.mark.parametrize("n, ok", [(64, True), (65, False)])
def test_trigger_limit(n, ok):
    sm = machine({"a": {}}, [("a", f"t{i}") for i in range(n)])
    if ok:
        assert spans(sm, ["t63"]) == [(1, 0, 0, 0.0, 0.0, 1, 3, 1, 0, 0)]
    else:
        with pytest.raises(ValueError, match=r"^Too many distinct triggers: 65 \(maximum 64\)$"):
            spans(sm, [])


def test_pattern_limit_is_checked_when_located():
    sm = machine({"a": {}}, [("a", pattern(*["x"] * 65))])
    with pytest.raises(ValueError, match="^Pattern has 65 elements; maximum is 64$"):
        spans(sm, [])
