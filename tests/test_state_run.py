"""state_spans through the hard cases of the run: deadlines, timeout chains, self transitions,
exits at the entry position, pattern firing spans, validation and the run's errors."""
import numpy as np
import pytest

from state_reference import KEYS, rows_of
from tidemark import Pattern, StateMachine, state_spans


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


def pattern(*tokens):
    p = Pattern()
    for t in tokens:
        p.add_event(t)
    return p


def test_result_dict_keys_and_dtypes_on_an_empty_stream():
    r = state_spans([], [], machine({"a": {}}, [("a", "x", {})]))
    assert list(r) == KEYS
    assert [r[k].dtype for k in KEYS] == [np.int32, np.int64, np.int64, np.float64, np.float64, np.int64,
                                          np.int8, np.int8, np.int8, np.int8]
    assert all(r[k].shape == (0,) for k in KEYS)


def test_event_exactly_at_the_deadline_does_not_expire():
    sm = machine({"a": dict(max_gap=5.0)}, [("a", "x", {})])
    # Anchored at 10: the event at 15 keeps it open; the one at 15.5 closes it at 15.
    assert spans(sm, "xqq", [10, 15, 15.5]) == [(1, 0, 1, 10.0, 15.0, 1, 1, 0, 1, 0)]


def test_chain_of_timeouts_at_one_position():
    sm = machine({"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, timeout_to="c"),
                  "c": dict(max_gap=1.0)}, [("a", "x", {})])
    # b and c open and expire at the position of y without holding a position: both are empty.
    assert spans(sm, "xy", [0, 10]) == [
        (1, 0, 0, 0.0, 1.0, 1, 1, 0, 1, 0),
        (2, 1, 0, 1.0, 2.0, 0, 1, 0, 1, 1),
        (3, 1, 0, 2.0, 3.0, 0, 1, 0, 1, 1),
    ]


def test_transition_out_of_a_timeout_entered_instance():
    sm = machine({"a": dict(max_gap=1.0, timeout_to="b"), "b": {}, "c": dict(drop_unclosed=False)},
                 [("a", "x", {}), ("c", "y", {})])
    # b opens at y's position when a expires, and y's entry into c cuts it to nothing.
    assert spans(sm, "xy", [0, 5]) == [
        (1, 0, 0, 0.0, 1.0, 1, 1, 0, 1, 0),
        (2, 1, 0, 1.0, 5.0, 0, 2, 0, 1, 1),
        (3, 1, 1, 5.0, 5.0, 1, 3, 0, 1, 0),
    ]


@pytest.mark.parametrize("mode, rows", [
    # refresh: one instance, the repeat counted once and the clock re-anchored at 1.
    ("refresh", [(1, 0, 2, 0.0, 2.2, 2, 3, 0, 1, 0)]),
    # ignore: the repeat is still sustain evidence, but under gap_anchor "entry" it does not
    # re-anchor the clock, so the state expires at 1.5.
    ("ignore", [(1, 0, 1, 0.0, 1.5, 2, 1, 0, 1, 0)]),
    # restart: the first instance closes by transition where the second begins.
    ("restart", [(1, 0, 0, 0.0, 1.0, 1, 2, 0, 1, 0), (1, 1, 2, 1.0, 2.2, 1, 3, 0, 1, 0)]),
])
def test_self_transitions(mode, rows):
    sm = machine({"a": dict(max_gap=1.5, gap_anchor="entry", self_transition=mode, drop_unclosed=False)},
                 [("a", "x", {})])
    assert spans(sm, "xxy", [0, 1, 2.2]) == rows


@pytest.mark.parametrize("tokens, rows", [
    # The exit on x at the opening position is ignored; the instance runs to the end.
    ("xy", [(1, 0, 1, 0.0, 1.0, 1, 3, 1, 0, 0)]),
    # After a refresh at a later x the same exit closes it.
    ("xyx", [(1, 0, 2, 0.0, 2.0, 2, 0, 0, 1, 0)]),
])
def test_exit_at_the_entry_position(tokens, rows):
    sm = machine({"a": {}}, [("a", "x", {})], [("a", "x", {})])
    assert spans(sm, tokens) == rows


@pytest.mark.parametrize("anchor, rows", [
    # Fires at b (3) and owns the span from a (1): o, entered at 2, keeps its start as its end
    # and closes at the time of a.
    ("end", [(2, 1, 3, 1.0, 3.0, 1, 3, 0, 1, 0), (1, 2, 2, 2.0, 1.0, 1, 2, 0, 1, 0)]),
    # Fires at a (1); q then moves on to o.
    ("start", [(2, 1, 1, 1.0, 2.0, 1, 2, 0, 1, 0), (1, 2, 3, 2.0, 3.0, 1, 3, 0, 1, 0)]),
])
def test_pattern_entry_owns_its_whole_span(anchor, rows):
    sm = machine({"o": dict(drop_unclosed=False), "p": dict(drop_unclosed=False)},
                 [("o", "q", {}), ("p", pattern("a", "b"), dict(anchor=anchor))])
    assert spans(sm, "zaqb") == rows


def test_pattern_entry_displaces_an_earlier_instance():
    sm = machine({"o": {}, "p": dict(drop_unclosed=False)}, [("o", "z", {}), ("p", pattern("a", "b"), {})])
    assert spans(sm, "zaqb") == [(1, 0, 0, 0.0, 1.0, 1, 2, 0, 1, 0), (2, 1, 3, 1.0, 3.0, 1, 3, 0, 1, 0)]


@pytest.mark.parametrize("inclusive, end", [(True, 3), (False, 0)])
def test_pattern_exit(inclusive, end):
    sm = machine({"o": {}}, [("o", "z", {})], [("o", pattern("a", "b"), dict(inclusive=inclusive))])
    assert spans(sm, "zaqbq") == [(1, 0, end, 0.0, 3.0, 1, 0, 0, 1, 0)]


@pytest.mark.parametrize("rules, tokens, reject", [
    # drop_unclosed comes first, whatever else fails.
    (dict(min_duration=10.0, min_events=5, require=["r"]), "xy", 1),
    (dict(min_duration=3.0, min_events=5, require=["r"]), "xye", 2),
    (dict(min_duration=2.0, min_events=2, require=["r"]), "xye", 3),
    (dict(min_events=1, require=["r", "s"]), "xrye", 4),
    (dict(require=["r", "s"]), "xrse", 0),
    (dict(require=[[["r", "s"]]]), "xrse", 4),  # a sequence needs one timestamp
    (dict(min_events=0, min_duration=0.0), "xe", 0),
])
def test_reject_reasons_in_order(rules, tokens, reject):
    sm = machine({"a": rules}, [("a", "x", {})], [("a", "e", {})])
    [row] = spans(sm, tokens)
    assert row[7:9] == (reject, int(reject == 0))


def test_required_hit_must_lie_inside_the_instance():
    # The exit's span (r, e) starts at r, which a non-inclusive exit leaves outside.
    for inclusive, reject in [(False, 4), (True, 0)]:
        sm = machine({"a": dict(require=["r"])}, [("a", "x", {})], [("a", [["r", "e"]], dict(inclusive=inclusive))])
        assert [r[7] for r in spans(sm, "xyre", [0, 1, 2, 2])] == [reject]


def test_timeout_entered_instances_are_exempt_from_min_events():
    sm = machine({"a": dict(max_gap=1.0, timeout_to="b"), "b": dict(max_gap=1.0, min_events=3)}, [("a", "x", {})])
    assert [(r[0], r[7], r[9]) for r in spans(sm, "xy", [0, 10])] == [(1, 0, 0), (2, 0, 1)]


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


@pytest.mark.parametrize("args, error, message", [
    ((["x"], [0.0, 1.0]), ValueError, "times has length 2 but tokens has length 1"),
    ((["x"], [0.0], None, [1.0, 2.0]), ValueError, "values has length 2 but tokens has length 1"),
    (("x", [0.0]), TypeError, "argument 'tokens': Can't extract `str` to `Vec`"),
    ((["x"], [0.0], 3), TypeError, "argument 'machine': 'int' object cannot be converted to 'StateMachine'"),
    ((["x"], [0.0], None, None, 1), TypeError,
     "argument 'include_invalid': 'int' object cannot be converted to 'PyBool'"),
])
def test_argument_errors(args, error, message):
    sm = machine({"a": {}}, [("a", "x", {})])
    args = list(args)
    if len(args) < 3 or args[2] is None:
        args[2:3] = [sm]
    with pytest.raises(error) as e:
        state_spans(*args)
    assert str(e.value) == message


def test_keywords_and_values():
    sm = machine({"a": dict(drop_unclosed=False)}, [("a", "x", {})])
    r = state_spans(tokens=["x"], times=np.array([2.0]), machine=sm, values=[1.0], include_invalid=True)
    assert rows_of(r) == [(1, 0, 0, 2.0, 2.0, 1, 3, 0, 1, 0)]
