"""StateMachine declaration: builder methods, messages, reprs, trigger sharing, finalization."""

import ast
import math

import pytest
from tidemark import AnnotationSpec, Pattern, StateMachine, StateSpan, state_spans

GAPS, SELF = "Choose: sustain, any_event, entry", "Choose: refresh, restart, ignore"
OUT_A = '["out", "a"]'
UNKNOWN_Q = "Unknown state 'q'. Declared: " + OUT_A
NO_EXPIRY = "State 'b' has timeout_to='a' but no finite max_gap, so it never expires and timeout_to would never apply."
CYCLE = (
    "timeout_to forms a cycle: {}. A state reached only by timeout has no evidence of its own, so with no new "
    "data the patient would alternate between these states indefinitely."
)


def machine(*states, out_name="out"):
    sm = StateMachine(out_name)
    for s in states:
        sm.add_state(s, max_gap=5.0)
    return sm


def test_names_and_surface():
    assert repr(StateMachine()) == 'StateMachine(states=["out"], entries=0, exits=0, triggers=0)'
    other = machine("a", "b", out_name="idle")
    assert other.state_id("idle") == 0 and other.state_id("b") == 2
    assert other.state_names == ["idle", "a", "b"]
    with pytest.raises(AttributeError):
        StateMachine().state_names = []


def test_names_are_quoted_with_escapes():
    sm = machine('a"b', "c\\d", "e\nf")
    assert repr(sm) == r'StateMachine(states=["out", "a\"b", "c\\d", "e\nf"], entries=0, exits=0, triggers=0)'
    odd = ["\x00\x01\t\r\x7f", "é'ü"]
    listed = repr(machine(*odd)).removeprefix("StateMachine(states=").split(", entries")[0]
    assert ast.literal_eval(listed) == ["out"] + odd
    with pytest.raises(ValueError) as e:
        sm.state_id("zz")
    assert str(e.value) == r"""Unknown state 'zz'. Declared: ["out", "a\"b", "c\\d", "e\nf"]"""


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda sm: sm.add_state("out"), ValueError, "Duplicate state name 'out'"),
        # The name is checked before the (also wrong) sustain reference, the anchor before the trigger.
        (lambda sm: sm.add_state("a", sustain=3), ValueError, "Duplicate state name 'a'"),
        (lambda sm: sm.add_entry("a", 3, anchor="End"), ValueError, "Unknown anchor 'End'. Choose: end, start"),
        (lambda sm: sm.add_exit("a", "x", anchor="middle"), ValueError, "Unknown anchor 'middle'. Choose: end, start"),
        (lambda sm: sm.add_state("b", gap_anchor="Sustain"), ValueError, f"Unknown gap_anchor 'Sustain'. {GAPS}"),
        (lambda sm: sm.add_state("b", self_transition="again"), ValueError, f"Unknown self_transition 'again'. {SELF}"),
        (lambda sm: sm.add_state("b", timeout_to="a"), ValueError, NO_EXPIRY),
        (lambda sm: sm.add_state("b", max_gap=math.nan, timeout_to="a"), ValueError, NO_EXPIRY),
        (lambda sm: sm.add_state("b", max_gap=1, timeout_to="b"), ValueError, "State 'b' cannot time out into itself."),
        (lambda sm: sm.add_state("b", require=["x", [[]]]), ValueError, "Token sequences must not be empty"),
        (lambda sm: sm.add_entry("zz", "x"), ValueError, "Unknown state 'zz'. Declared: " + OUT_A),
        (lambda sm: sm.add_entry("out", "x"), ValueError, "Cannot add an entry rule for the base state 'out'"),
        (lambda sm: sm.add_entry("a", "x", from_states=["out", "q"]), ValueError, UNKNOWN_Q),
        (lambda sm: sm.add_exit("out", "x"), ValueError, "Cannot add an exit rule for the base state 'out'"),
        (lambda sm: sm.span("out"), ValueError, "'out' is the base state and has no spans"),
        (lambda sm: sm.span("q"), ValueError, UNKNOWN_Q),
    ],
)
def test_refusals_leave_the_builder_unchanged(call, error, message):
    sm = machine("a")
    sm.add_entry("a", "x")
    before = repr(sm)
    with pytest.raises(error) as e:
        call(sm)
    assert str(e.value) == message
    assert repr(sm) == before


@pytest.mark.parametrize(
    "rules, counts",
    [
        ([("entry", "a", "x", "end"), ("exit", "b", "x", "end")], "entries=1, exits=1, triggers=1"),
        ([("entry", "a", "x", "end"), ("exit", "b", "x", "start")], "entries=1, exits=1, triggers=2"),
        ([("entry", "a", ["b", "a", "a"], "end"), ("entry", "b", ["a", "b"], "end")], "entries=2, exits=0, triggers=1"),
        ([("entry", "a", "x", "end"), ("entry", "b", ["x"], "end")], "entries=2, exits=0, triggers=2"),
        ([("entry", "a", [["x"]], "end"), ("entry", "b", [["x"]], "end")], "entries=2, exits=0, triggers=2"),
        # A token may hold any byte: these two sets must stay apart.
        ([("entry", "a", ["x\x01y"], "end"), ("entry", "b", ["x", "y"], "end")], "entries=2, exits=0, triggers=2"),
        # Patterns are never shared.
        ([("entry", "a", Pattern(), "end"), ("entry", "a", Pattern(), "end")], "entries=2, exits=0, triggers=2"),
    ],
)
def test_trigger_sharing(rules, counts):
    sm = machine("a", "b")
    for kind, state, ref, anchor in rules:
        getattr(sm, "add_" + kind)(state, ref, anchor=anchor)
    assert repr(sm).endswith(counts + ")")


def test_reentrant_call_is_refused():
    sm = machine("a")

    class Gap:
        def __float__(self):
            sm.add_state("sneaky")
            return 1.0

    with pytest.raises(RuntimeError, match="StateMachine is already being modified by another call"):
        sm.add_state("b", max_gap=Gap())
    assert sm.state_names == ["out", "a"]


def test_span_repr():
    sm = machine("a")
    assert isinstance(sm.span("a"), StateSpan) and repr(sm.span("a")) == 'StateSpan(state="a", valid_only=true)'
    assert repr(sm.span("a", valid_only=False)) == 'StateSpan(state="a", valid_only=false)'


@pytest.mark.parametrize(
    "states, message",
    [
        ([("a", "nowhere")], "State 'a' has timeout_to='nowhere', which is not a declared state. Declared: " + OUT_A),
        ([("a", "b"), ("b", "a")], CYCLE.format("a -> b -> a")),
        ([("a", "b"), ("b", "c"), ("c", "b")], CYCLE.format("b -> c -> b")),
    ],
)
def test_finalization_errors(states, message):
    sm = StateMachine()
    for name, target in states:
        sm.add_state(name, max_gap=1.0, timeout_to=target)
    for use in (
        lambda: sm.span("a"),
        lambda: state_spans(["x"], [0.0], sm),
        lambda: AnnotationSpec.state_label("s", sm),
    ):
        with pytest.raises(ValueError) as e:
            use()
        assert str(e.value) == message
