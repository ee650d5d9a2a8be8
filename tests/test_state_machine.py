"""StateMachine declaration: builder methods, messages, reprs, trigger sharing, finalization."""
import ast
import math

import pytest

from tidemark import Pattern, StateMachine, StateSpan, state_spans


def machine(*states, out_name="out"):
    sm = StateMachine(out_name)
    for s in states:
        sm.add_state(s, max_gap=5.0)
    return sm


def test_defaults_and_names():
    sm = StateMachine()
    assert sm.state_names == ["out"]
    assert repr(sm) == 'StateMachine(states=["out"], entries=0, exits=0, triggers=0)'
    other = machine("a", "b", out_name="idle")
    assert other.state_id("idle") == 0 and other.state_id("b") == 2
    assert other.state_names == ["idle", "a", "b"]


def test_text_signatures_and_docs():
    assert StateMachine.__text_signature__ == '(out_name="out")'
    assert StateMachine.add_state.__text_signature__ == (
        '($self, name, max_gap=..., gap_anchor="sustain", sustain=None, self_transition="refresh", '
        'min_duration=0.0, min_events=1, require=None, drop_unclosed=True, timeout_to=None)')
    assert StateMachine.add_entry.__doc__.startswith("Enter `state` when `trigger` fires")
    assert StateMachine.add_exit.__doc__.endswith("gives the triggering span to the closing state.")
    assert StateMachine.state_id.__text_signature__ == "($self, name)"
    assert StateMachine.state_names.__doc__ == "State names indexed by id; `state_names[0]` is the base state."
    assert [m for m in vars(StateMachine) if not m.startswith("__")] == [
        "add_state", "add_entry", "add_exit", "span", "state_id", "state_names"]
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
    assert str(e.value) == r'''Unknown state 'zz'. Declared: ["out", "a\"b", "c\\d", "e\nf"]'''


@pytest.mark.parametrize("call, message", [
    (lambda sm: sm.add_state("out"), "Duplicate state name 'out'"),
    (lambda sm: sm.add_state("a"), "Duplicate state name 'a'"),
    (lambda sm: sm.add_state("b", gap_anchor="Sustain"),
     "Unknown gap_anchor 'Sustain'. Choose: sustain, any_event, entry"),
    (lambda sm: sm.add_state("b", self_transition="again"),
     "Unknown self_transition 'again'. Choose: refresh, restart, ignore"),
    (lambda sm: sm.add_state("b", timeout_to="a"),
     "State 'b' has timeout_to='a' but no finite max_gap, so it never expires and timeout_to would never apply."),
    (lambda sm: sm.add_state("b", max_gap=math.nan, timeout_to="a"),
     "State 'b' has timeout_to='a' but no finite max_gap, so it never expires and timeout_to would never apply."),
    (lambda sm: sm.add_state("b", max_gap=1, timeout_to="b"), "State 'b' cannot time out into itself."),
    (lambda sm: sm.add_state("b", sustain=[]), "Token reference list must not be empty"),
    (lambda sm: sm.add_state("b", require=["x", [[]]]), "Token sequences must not be empty"),
    (lambda sm: sm.add_entry("zz", "x"), "Unknown state 'zz'. Declared: [\"out\", \"a\"]"),
    (lambda sm: sm.add_entry("out", "x"), "Cannot add an entry rule for the base state 'out'"),
    (lambda sm: sm.add_entry("a", "x", from_states=["out", "q"]), "Unknown state 'q'. Declared: [\"out\", \"a\"]"),
    (lambda sm: sm.add_entry("a", "x", anchor="End"), "Unknown anchor 'End'. Choose: end, start"),
    (lambda sm: sm.add_exit("out", "x"), "Cannot add an exit rule for the base state 'out'"),
    (lambda sm: sm.add_exit("a", "x", anchor="middle"), "Unknown anchor 'middle'. Choose: end, start"),
    (lambda sm: sm.span("out"), "'out' is the base state and has no spans"),
    (lambda sm: sm.span("q"), "Unknown state 'q'. Declared: [\"out\", \"a\"]"),
])
def test_value_errors_leave_the_builder_unchanged(call, message):
    sm = machine("a")
    sm.add_entry("a", "x")
    before = repr(sm)
    with pytest.raises(ValueError) as e:
        call(sm)
    assert str(e.value) == message
    assert repr(sm) == before


@pytest.mark.parametrize("call, message", [
    (lambda sm: sm.add_state(1), "argument 'name': 'int' object cannot be converted to 'PyString'"),
    (lambda sm: sm.add_state("b", require="x"), "argument 'require': Can't extract `str` to `Vec`"),
    (lambda sm: sm.add_state("b", require=3), "argument 'require': 'int' object cannot be converted to 'Sequence'"),
    (lambda sm: sm.add_state("b", drop_unclosed=1), "argument 'drop_unclosed': 'int' object cannot be converted to 'PyBool'"),
    (lambda sm: sm.add_state("b", sustain=3), "Expected str (single token), list[str] (token set), "
                                              "list[list[str]] (same-timestamp sequences), or Pattern"),
    (lambda sm: sm.add_entry("a", ["x", ["y"]]), "Mixed list of str and list[str]. Use list[str] for a token set "
                                                 "or list[list[str]] for same-timestamp sequences, not both."),
    (lambda sm: sm.add_entry("a", "x", from_states="out"), "argument 'from_states': Can't extract `str` to `Vec`"),
    (lambda sm: sm.add_exit("a", "x", inclusive=None), "argument 'inclusive': 'NoneType' object cannot be converted to 'PyBool'"),
    (lambda sm: sm.add_state(), "StateMachine.add_state() missing 1 required positional argument: 'name'"),
    (lambda sm: sm.add_entry("a"), "StateMachine.add_entry() missing 1 required positional argument: 'trigger'"),
])
def test_type_errors(call, message):
    sm = machine("a")
    before = repr(sm)
    with pytest.raises(TypeError) as e:
        call(sm)
    assert str(e.value) == message
    assert repr(sm) == before


def test_negative_min_events_overflows():
    with pytest.raises(OverflowError):
        StateMachine().add_state("a", min_events=-1)


def test_checks_come_before_token_references():
    # A duplicate name is reported even though the sustain reference is also wrong.
    sm = machine("a")
    with pytest.raises(ValueError, match="Duplicate"):
        sm.add_state("a", sustain=3)
    with pytest.raises(ValueError, match="Unknown anchor"):
        sm.add_entry("a", 3, anchor="x")


@pytest.mark.parametrize("rules, triggers", [
    ([("entry", "a", "x", "end"), ("exit", "b", "x", "end")], 1),
    ([("entry", "a", "x", "end"), ("exit", "b", "x", "start")], 2),
    ([("entry", "a", ["b", "a", "a"], "end"), ("entry", "b", ["a", "b"], "end")], 1),
    ([("entry", "a", "x", "end"), ("entry", "b", ["x"], "end")], 2),
    ([("entry", "a", [["x"]], "end"), ("entry", "b", [["x"]], "end")], 2),
    # A token may hold any byte: these two sets must stay apart.
    ([("entry", "a", ["x\x01y"], "end"), ("entry", "b", ["x", "y"], "end")], 2),
])
def test_trigger_sharing(rules, triggers):
    sm = machine("a", "b")
    for kind, state, ref, anchor in rules:
        getattr(sm, "add_" + kind)(state, ref, anchor=anchor)
    assert repr(sm).endswith(f"triggers={triggers})")


def test_patterns_are_never_shared_and_sustain_and_require_count():
    sm = machine("a")
    sm.add_entry("a", Pattern())
    sm.add_entry("a", Pattern())
    sm.add_state("b", sustain="x", require=["x", "y"])
    assert repr(sm) == 'StateMachine(states=["out", "a", "b"], entries=2, exits=0, triggers=4)'


def test_reentrant_call_is_refused():
    sm = machine("a")

    class Gap:
        def __float__(self):
            sm.add_state("sneaky")
            return 1.0

    with pytest.raises(RuntimeError, match="StateMachine is already being modified by another call"):
        sm.add_state("b", max_gap=Gap())
    assert sm.state_names == ["out", "a"]


def test_span_repr_and_snapshot():
    sm = machine("a")
    span = sm.span("a")
    assert isinstance(span, StateSpan)
    assert repr(span) == 'StateSpan(state="a", valid_only=true)'
    assert repr(sm.span("a", valid_only=False)) == 'StateSpan(state="a", valid_only=false)'
    assert StateSpan.__doc__ == "A snapshot of one state's occupancy, used as a span source."


@pytest.mark.parametrize("states, message", [
    ([("a", "nowhere")], "State 'a' has timeout_to='nowhere', which is not a declared state. "
                         "Declared: [\"out\", \"a\"]"),
    ([("a", "b"), ("b", "a")], "timeout_to forms a cycle: a -> b -> a. A state reached only by timeout has no "
                               "evidence of its own, so with no new data the patient would alternate between "
                               "these states indefinitely."),
    ([("a", "b"), ("b", "c"), ("c", "b")], "timeout_to forms a cycle: b -> c -> b. A state reached only by timeout "
                                           "has no evidence of its own, so with no new data the patient would "
                                           "alternate between these states indefinitely."),
])
def test_finalization_errors(states, message):
    sm = StateMachine()
    for name, target in states:
        sm.add_state(name, max_gap=1.0, timeout_to=target)
    for use in (lambda: sm.span("a"), lambda: state_spans(["x"], [0.0], sm)):
        with pytest.raises(ValueError) as e:
            use()
        assert str(e.value) == message


def test_timeout_into_the_base_state_is_no_timeout():
    sm = StateMachine()
    sm.add_state("a", max_gap=1.0, timeout_to="out")
    sm.add_entry("a", "x")
    r = state_spans(["x", "y"], [0.0, 5.0], sm)
    assert r["state"].tolist() == [1] and r["close_reason"].tolist() == [1]
