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
    """states: name -> add_state keywords; entries/exits: (state, trigger, keywords)."""
    sm = StateMachine()
    for name, kw in states.items():
        sm.add_state(name, **kw)
    for state, trigger, kw in entries:
        sm.add_entry(state, trigger, **kw)
    for state, trigger, kw in exits:
        sm.add_exit(state, trigger, **kw)
    return sm


def test_result_dict_keys_and_dtypes_on_an_empty_stream():
    r = state_spans([], [], machine({"a": {}}, [("a", "x", {})]))
    assert list(r) == KEYS
    assert [r[k].dtype.name for k in KEYS] == "int32 int64 int64 float64 float64 int64 int8 int8 int8 int8".split()
    assert all(r[k].shape == (0,) for k in KEYS)


TIMEOUT_CHAIN = {"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, timeout_to="c"), "c": dict(max_gap=1.0)}
PATTERN_STATES = {"o": dict(drop_unclosed=False), "p": dict(drop_unclosed=False)}


@pytest.mark.parametrize(
    "states, entries, exits, tokens, times, rows",
    [
        # b and c open and expire at the position of y without holding a position: both are empty.
        (
            TIMEOUT_CHAIN,
            [("a", "x", {})],
            [],
            "xy",
            [0, 10],
            [
                (1, 0, 0, 0.0, 1.0, 1, 1, 0, 1, 0),
                (2, 1, 0, 1.0, 2.0, 0, 1, 0, 1, 1),
                (3, 1, 0, 2.0, 3.0, 0, 1, 0, 1, 1),
            ],
        ),
        # A timeout-entered instance is exempt from min_events.
        (
            {"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, min_events=3)},
            [("a", "x", {})],
            [],
            "xy",
            [0, 10],
            [(1, 0, 0, 0.0, 1.0, 1, 1, 0, 1, 0), (2, 1, 0, 1.0, 2.0, 0, 1, 0, 1, 1)],
        ),
        # b opens at y's position when a expires, and y's entry into c cuts it to nothing.
        (
            {"a": dict(max_gap=1.0, timeout_to="b"), "b": {}, "c": dict(drop_unclosed=False)},
            [("a", "x", {}), ("c", "y", {})],
            [],
            "xy",
            [0, 5],
            [
                (1, 0, 0, 0.0, 1.0, 1, 1, 0, 1, 0),
                (2, 1, 0, 1.0, 5.0, 0, 2, 0, 1, 1),
                (3, 1, 1, 5.0, 5.0, 1, 3, 0, 1, 0),
            ],
        ),
        # A required hit must lie inside: the exit's span (r, e) starts at r, which only an inclusive exit keeps.
        (
            {"a": dict(require=["r"])},
            [("a", "x", {})],
            [("a", [["r", "e"]], dict(inclusive=False))],
            "xyre",
            [0, 1, 2, 2],
            [(1, 0, 1, 0.0, 2.0, 1, 0, 4, 0, 0)],
        ),
        (
            {"a": dict(require=["r"])},
            [("a", "x", {})],
            [("a", [["r", "e"]], {})],
            "xyre",
            [0, 1, 2, 2],
            [(1, 0, 3, 0.0, 2.0, 1, 0, 0, 1, 0)],
        ),
        # Pattern (a, b) anchored at its end fires at b (3) and owns the span from a (1): o, entered at 2,
        # keeps its start as its end and closes at the time of a.
        (
            PATTERN_STATES,
            [("o", "q", {}), ("p", pattern("a", "b"), {})],
            [],
            "zaqb",
            None,
            [(2, 1, 3, 1.0, 3.0, 1, 3, 0, 1, 0), (1, 2, 2, 2.0, 1.0, 1, 2, 0, 1, 0)],
        ),
        # Anchored at its start it fires at a (1); q then moves on to o.
        (
            PATTERN_STATES,
            [("o", "q", {}), ("p", pattern("a", "b"), dict(anchor="start"))],
            [],
            "zaqb",
            None,
            [(2, 1, 1, 1.0, 2.0, 1, 2, 0, 1, 0), (1, 2, 3, 2.0, 3.0, 1, 3, 0, 1, 0)],
        ),
        (
            {"o": {}, "p": dict(drop_unclosed=False)},
            [("o", "z", {}), ("p", pattern("a", "b"), {})],
            [],
            "zaqb",
            None,
            [(1, 0, 0, 0.0, 1.0, 1, 2, 0, 1, 0), (2, 1, 3, 1.0, 3.0, 1, 3, 0, 1, 0)],
        ),
        # A pattern exit ends the instance at the pattern's end, or before its start when not inclusive.
        (
            {"o": {}},
            [("o", "z", {})],
            [("o", pattern("a", "b"), {})],
            "zaqbq",
            None,
            [(1, 0, 3, 0.0, 3.0, 1, 0, 0, 1, 0)],
        ),
        (
            {"o": {}},
            [("o", "z", {})],
            [("o", pattern("a", "b"), dict(inclusive=False))],
            "zaqbq",
            None,
            [(1, 0, 0, 0.0, 3.0, 1, 0, 0, 1, 0)],
        ),
    ],
)
def test_pinned_runs(states, entries, exits, tokens, times, rows):
    assert spans(machine(states, entries, exits), tokens, times) == rows


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
    sm = machine({"a": rules}, [("a", "x", {})], [("a", "e", {})])
    [row] = spans(sm, tokens)
    assert row[7:9] == (reject, 0)


@pytest.mark.parametrize("n, ok", [(64, True), (65, False)])
def test_trigger_limit(n, ok):
    sm = machine({"a": {}}, [("a", f"t{i}", {}) for i in range(n)])
    if ok:
        assert spans(sm, ["t63"]) == [(1, 0, 0, 0.0, 0.0, 1, 3, 1, 0, 0)]
    else:
        with pytest.raises(ValueError, match=r"^Too many distinct triggers: 65 \(maximum 64\)$"):
            spans(sm, [])


def test_pattern_limit_is_checked_when_located():
    sm = machine({"a": {}}, [("a", pattern(*["x"] * 65), {})])
    with pytest.raises(ValueError, match="^Pattern has 65 elements; maximum is 64$"):
        spans(sm, [])
