"""State machines in their plain form: the constructor's argument and the builder calls
(`add_state`, `add_entry`, `add_exit`) in an order that registers the machine's triggers
in the order it holds them, so the replayed machine is the same one."""

from typing import Any

from .fields import ANCHORS, GAP_ANCHORS, INF, SELF_TRANSITIONS, Fields, given_args
from .pattern_form import token_ref

# One builder call: its method, its arguments, the ids of the triggers it registers (in
# the order it registers them) and the ids of the states it names.
_Call = tuple[str, dict[str, Any], list[int], list[int]]


def _states(f: Fields, names: list[str], triggers: list[tuple[Any, str]]) -> list[_Call]:
    states_f, entries, exits, sustain_given, timeouts = (f.take() for _ in range(5))
    calls: list[_Call] = []
    for i, (fields, given, (timeout,)) in enumerate(zip(states_f, sustain_given, timeouts, strict=True)):
        s = Fields(fields)
        sustain, require = s.firsts(), s.firsts()
        s.take()  # the timeout target's id, resolved from its name
        max_gap, min_duration, min_events = s.take(3)
        s.take()  # the state's id
        drop_unclosed, gap_anchor, self_transition = s.take(3)
        sustain = sustain if given else []  # else filled from the entries when the machine is frozen
        args = {"name": names[i + 1]} | given_args(
            [
                ("max_gap", max_gap, INF),
                ("gap_anchor", GAP_ANCHORS[gap_anchor], "sustain"),
                ("sustain", triggers[sustain[0]][0] if sustain else None, None),
                ("self_transition", SELF_TRANSITIONS[self_transition], "refresh"),
                ("min_duration", min_duration, 0.0),
                ("min_events", min_events, 1),
                ("require", [triggers[t][0] for t in require], []),
                ("drop_unclosed", drop_unclosed, True),
                ("timeout_to", timeout[0] if timeout else None, None),
            ]
        )
        calls.append(("add_state", args, [*sustain, *require], []))
    return calls + _rules(entries, exits, names, triggers)


def _rules(entries: list[Any], exits: list[Any], names: list[str], triggers: list[tuple[Any, str]]) -> list[_Call]:
    calls: list[_Call] = []
    for from_states, trigger, state in entries:
        ref, anchor = triggers[trigger]
        from_ids = [s for (s,) in from_states]
        args = {"state": names[state], "trigger": ref}
        args |= given_args([("from_states", [names[s] for s in from_ids], []), ("anchor", anchor, "end")])
        calls.append(("add_entry", args, [trigger], [state, *from_ids]))
    for trigger, state, inclusive in exits:
        ref, anchor = triggers[trigger]
        args = {"state": names[state], "trigger": ref}
        args |= given_args([("inclusive", inclusive, True), ("anchor", anchor, "end")])
        calls.append(("add_exit", args, [trigger], [state]))
    return calls


def _in_registration_order(calls: list[_Call]) -> list[_Call]:
    """The calls, each kind in its own order, interleaved so that every trigger is first
    registered in the order of its id: a call is ready when each trigger it registers is
    known or the next new one, and the states it names are declared. States go first
    when ready (they number the states), then entries, then exits."""
    queues = [[c for c in calls if c[0] == kind] for kind in ("add_state", "add_entry", "add_exit")]
    out: list[_Call] = []
    known = declared = 0

    def ready(call: _Call) -> int | None:
        """The trigger count after `call`, or None when it is not ready."""
        n = known
        for t in call[2]:
            if t > n:
                return None
            n = max(n, t + 1)
        return n if all(s <= declared for s in call[3]) else None

    while any(queues):
        # A machine read from the module always has a ready call; were none ready, the
        # calls would still come in their kinds' order.
        queue = next((q for q in queues if q and ready(q[0]) is not None), next(q for q in queues if q))
        call = queue.pop(0)
        known = ready(call) or known
        declared += call[0] == "add_state"
        out.append(call)
    return out


def machine_form(f: Fields) -> dict[str, Any]:
    base, names = f.take(), f.firsts()
    triggers = []
    for item in f.take():
        t = Fields(item)
        triggers.append((token_ref(t), ANCHORS[t.take()]))
    f.take()  # the keys under which single tokens and token sets are shared
    steps = [{method: args} for method, args, _, _ in _in_registration_order(_states(f, names, triggers))]
    return given_args([("out_name", base, "out")]) | {"steps": steps}


def state_span_form(f: Fields) -> dict[str, Any]:
    machine = machine_form(f)
    names = [machine.get("out_name", "out")]
    names += [step["add_state"]["name"] for step in machine["steps"] if "add_state" in step]
    state, valid_only = f.take(2)
    return {"machine": machine, "state": names[state]} | given_args([("valid_only", valid_only, True)])
