"""Token references as triggers: the Python forms accepted, their messages, and where they fire."""

import collections
import sys

import pytest
from state_reference import rows_of
from tidemark import Pattern, StateMachine, state_spans

EXPECTED = "Expected str (single token), list[str] (token set), list[list[str]] (same-timestamp sequences), or Pattern"
MIXED = (
    "Mixed list of str and list[str]. Use list[str] for a token set or list[list[str]] for same-timestamp "
    "sequences, not both."
)


def entered_at(trigger, tokens, anchor="end"):
    """Start positions of the instances entered by `trigger` (each firing restarts the state)."""
    sm = StateMachine()
    sm.add_state("a", drop_unclosed=False, self_transition="restart")
    sm.add_entry("a", trigger, anchor=anchor)
    return [r[1] for r in rows_of(state_spans(list(tokens), [float(t) for t in range(len(tokens))], sm))]


@pytest.mark.parametrize(
    "trigger, error, message",
    [
        ([], ValueError, "Token reference list must not be empty"),
        ([[]], ValueError, "Token sequences must not be empty"),
        ([["a"], []], ValueError, "Token sequences must not be empty"),
        (["a", ["b"]], TypeError, MIXED),
        ([["a"], "b"], TypeError, MIXED),
        ([["a", 1]], TypeError, "'int' object cannot be converted to 'PyString'"),
        ([1], TypeError, "'int' object cannot be converted to 'Sequence'"),
        (1, TypeError, EXPECTED),
        (None, TypeError, EXPECTED),
        ({"a"}, TypeError, EXPECTED),
    ],
)
def test_refused_forms(trigger, error, message):
    sm = StateMachine()
    sm.add_state("a")
    with pytest.raises(error) as e:
        sm.add_entry("a", trigger)
    assert str(e.value) == message
    assert repr(sm).endswith("triggers=0)")


@pytest.mark.parametrize("trigger", [["b", "a", "a"], ("a", "b"), collections.UserList(["a", "b"])])
def test_token_sets(trigger):
    assert entered_at(trigger, "xaqb") == [1, 3]


@pytest.mark.parametrize("anchor", ["start", "end"])
def test_pattern_matches_one_point_per_start(anchor):
    p = Pattern()
    p.add_event("a")
    p.add_event("b")
    # Matches (0, 2), (0, 3) and (1, 2), (1, 3): of each start only the shortest is kept.
    # Anchored at the end both kept points fire at 2 and the first (0, 2) wins.
    assert entered_at(p, "aabb", anchor=anchor) == ([0, 1] if anchor == "start" else [0])


def test_pattern_reference_holds_a_copy():
    p = Pattern()
    p.add_event("a")
    sm = StateMachine()
    sm.add_state("a", drop_unclosed=False)
    sm.add_entry("a", p)
    p.add_event("never")
    assert rows_of(state_spans(["a"], [0.0], sm))[0][:3] == (1, 0, 0)


def test_failing_sequence_test_is_reported_unraisable(monkeypatch):
    class Odd:
        @property
        def __class__(self):
            raise RuntimeError("no class")

    seen = []
    monkeypatch.setattr(sys, "unraisablehook", lambda u: seen.append(u.exc_type))
    sm = StateMachine()
    sm.add_state("a")
    with pytest.raises(TypeError) as e:
        sm.add_entry("a", Odd())
    assert str(e.value) == EXPECTED
    assert seen == [RuntimeError]
