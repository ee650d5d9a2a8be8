"""Python objects to their plain form: the builder calls that make them, as nested dicts
and lists of str, float, int, bool and None, arguments equal to their defaults left out."""

from typing import Any

from .fields import (
    AGGREGATIONS,
    ANCHORS,
    COLLECTORS,
    GAP_ANCHORS,
    INF,
    SELF_TRANSITIONS,
    Fields,
    list_args,
    native_fields,
    scalar_args,
    seq_args,
)

_BOUNDS = (("min_dt", 0.0), ("max_dt", INF), ("min_at", -INF), ("max_at", INF))
_VALS = ("min_vals", "max_vals", "require_nan_vals")
_BLOCK_VALS = ("block_min_vals", "block_max_vals", "block_require_nan_vals")
_SPEC_VALS = ("min_val", "max_val", "require_nan_val")
_SPEC_BLOCK_VALS = ("block_min_val", "block_max_val", "block_require_nan_val")


def _given(pairs: list[tuple[str, Any, Any]]) -> dict[str, Any]:
    """The arguments whose value differs from their default."""
    return {name: value for name, value, default in pairs if value != default}


def _bounds(f: Fields, names: tuple[str, ...] = ("min_dt", "max_dt", "min_at", "max_at")) -> dict[str, Any]:
    values = f.take(4)
    return _given([(n, v, d) for n, v, (_, d) in zip(names, values, _BOUNDS, strict=True)])


def _seqs(f: Fields, key: str, names: tuple[str, str, str]) -> dict[str, Any]:
    seqs = f.trie()
    return {key: [s for s, _ in seqs], **seq_args(seqs, names)}


def _block_list(tokens: list[str], cs: Any, key: str) -> dict[str, Any]:
    return {key: tokens, **list_args(cs, _BLOCK_VALS)} if tokens else {}


def _time_block(f: Fields) -> dict[str, Any]:
    """One blocking token with its scalar bounds, or the token list with per-token lists."""
    tokens, cs = f.firsts(), f.constraints()
    if len(tokens) == 1 and len(cs) == 1:
        return {"block_token": tokens[0], **scalar_args(cs[0], "block_")}
    return _block_list(tokens, cs, "block_tokens")


def _event(f: Fields) -> dict[str, Any]:
    out = {"match_token": f.take(), **scalar_args(f.constraint())}
    block = f.take()
    block_c = scalar_args(f.constraint(), "block_")
    return {**out, **({"block_token": block[0]} if block else {}), **block_c, **_bounds(f)}


def _event_set(f: Fields) -> dict[str, Any]:
    out = {"match_tokens": f.firsts(), **list_args(f.constraints(), _VALS)}
    return {**out, **_block_list(f.firsts(), f.constraints(), "block_tokens"), **_bounds(f)}


def _event_seq(f: Fields) -> dict[str, Any]:
    out = _seqs(f, "match_seqs", _VALS)
    block = f.take()
    if block is not None:
        out |= _seqs(Fields(block), "block_seqs", _BLOCK_VALS)
    return out | _bounds(f)


def _time_event(f: Fields) -> dict[str, Any]:
    return _time_block(f) | _bounds(f)


def _dynamic_time_event(f: Fields) -> dict[str, Any]:
    return _time_block(f) | _bounds(f, ("rel_min_dt", "rel_max_dt", "min_at", "max_at"))


def _dynamic_event(f: Fields) -> dict[str, Any]:
    out = scalar_args(f.constraint())
    out = {**_block_list(f.firsts(), f.constraints(), "static_block_tokens"), **out, **_bounds(f)}
    f.take()  # always matches the token matched last
    return out


def _dynamic_event_set(f: Fields) -> dict[str, Any]:
    tokens, cs = f.firsts(), f.constraints()
    out = {"static_match_tokens": tokens, **list_args(cs, _VALS)} if tokens else {}
    out |= _block_list(f.firsts(), f.constraints(), "static_block_tokens")
    bounds = _bounds(f)
    out |= _given([("match_from_last", f.take(), False), ("block_from_last", f.take(), False)])
    return out | bounds


def _spec(f: Fields) -> dict[str, Any]:
    """An event spec of a mapped element, in the keys `add_mapped_event` reads."""
    tokens, cs = f.firsts(), f.constraints()
    block, block_cs = f.firsts(), f.constraints()
    trie = f.take()
    if trie is not None:
        seqs = Fields(trie).trie()
        out: dict[str, Any] = {"match": [s for s, _ in seqs], **seq_args(seqs, _SPEC_VALS)}
    elif len(tokens) == 1 and len(cs) == 1:
        out = {"match": tokens[0], **{k: [v] for k, v in scalar_args(cs[0]).items()}}
    else:
        out = {"match": tokens, **list_args(cs, _SPEC_VALS)}
    if block:
        out |= {"block": block[0] if len(block) == 1 else block, **list_args(block_cs, _SPEC_BLOCK_VALS)}
    return out | _bounds(f)


def _mapped_event(f: Fields) -> dict[str, Any]:
    default = f.take()
    entries = [(Fields(k).firsts(), _spec(Fields(v))) for k, v in f.take()]
    entries.sort(key=lambda e: e[0])
    out: dict[str, Any] = {"source_element": 0, "match_map": []}
    out["match_map"] = [{"key": k[0] if len(k) == 1 else k, **spec} for k, spec in entries]
    if default is not None:
        out["default"] = _spec(Fields(default))
    out["source_element"] = f.take()
    return out


_ELEMENTS = (
    ("add_event", _event),
    ("add_event_set", _event_set),
    ("add_event_seq", _event_seq),
    ("add_time_event", _time_event),
    ("add_dynamic_time_event", _dynamic_time_event),
    ("add_dynamic_event", _dynamic_event),
    ("add_dynamic_event_set", _dynamic_event_set),
    ("add_mapped_event", _mapped_event),
)


ELEMENT_METHODS = tuple(method for method, _ in _ELEMENTS)


def pattern_form(f: Fields) -> dict[str, Any]:
    elements = []
    for ((kind, fields),) in f.take():
        method, read = _ELEMENTS[kind]
        ef = Fields(fields)
        args = read(ef)
        args |= _given([("backtrackable", ef.take(), True)])
        elements.append({method: args})
    midstream = f.take()
    out = _bounds(f) | _given([("ordered", f.take(), True), ("collector", COLLECTORS[f.take()], "none")])
    out["elements"] = elements
    if midstream is not None:
        m = Fields(midstream)
        masks = m.take(2)
        seqs = [s for s, _ in m.trie()]
        tokens: list[Any] = [s[0] for s in seqs] if all(len(s) == 1 for s in seqs) else seqs
        start_after, stop_before = ([i for i in range(64) if mask >> i & 1] for mask in masks)
        out["midstream"] = {"match_tokens": tokens, "start_after": start_after, "stop_before": stop_before}
        out["midstream"] |= _given([("collector", COLLECTORS[m.take()], "collect_tokens")])
    return out


def token_ref(f: Fields) -> Any:
    """A token reference: a token, a token list, a list of sequences or {pattern: ...}."""
    kind, fields = f.take()
    inner = Fields(fields)
    if kind == 0:
        return inner.take()
    if kind == 1:
        return inner.firsts()
    if kind == 2:
        return [s for s, _ in inner.trie()]
    return {"pattern": pattern_form(inner)}


def machine_form(f: Fields) -> dict[str, Any]:
    base, names = f.take(), f.firsts()
    triggers = []
    for item in f.take():
        t = Fields(item)
        triggers.append((token_ref(t), ANCHORS[t.take()]))
    f.take()  # the keys under which single tokens and token sets are shared
    states_f, entries, exits, sustain_given, timeouts = (f.take() for _ in range(5))
    states: dict[str, Any] = {}
    for i, (fields, given, (timeout,)) in enumerate(zip(states_f, sustain_given, timeouts, strict=True)):
        s = Fields(fields)
        sustain, require = s.firsts(), s.firsts()
        s.take()  # the timeout target's id, resolved from its name
        max_gap, min_duration, min_events = s.take(3)
        s.take()  # the state's id
        drop_unclosed, gap_anchor, self_transition = s.take(3)
        states[names[i + 1]] = _given(
            [
                ("max_gap", max_gap, INF),
                ("gap_anchor", GAP_ANCHORS[gap_anchor], "sustain"),
                ("sustain", triggers[sustain[0]][0] if given and sustain else None, None),
                ("self_transition", SELF_TRANSITIONS[self_transition], "refresh"),
                ("min_duration", min_duration, 0.0),
                ("min_events", min_events, 1),
                ("require", [triggers[t][0] for t in require], []),
                ("drop_unclosed", drop_unclosed, True),
                ("timeout_to", timeout[0] if timeout else None, None),
            ]
        )
    entry_rules, exit_rules = [], []
    for from_states, trigger, state in entries:
        rule = {"state": names[state], "trigger": triggers[trigger][0]}
        rule |= _given(
            [("from_states", [names[s] for (s,) in from_states], []), ("anchor", triggers[trigger][1], "end")]
        )
        entry_rules.append(rule)
    for trigger, state, inclusive in exits:
        rule = {"state": names[state], "trigger": triggers[trigger][0]}
        exit_rules.append(rule | _given([("inclusive", inclusive, True), ("anchor", triggers[trigger][1], "end")]))
    return _given([("out_name", base, "out")]) | {"states": states, "entries": entry_rules, "exits": exit_rules}


def span_ref(f: Fields) -> Any:
    """A span reference: [start token, end token], {pattern: ...} or {state_span: ...}."""
    kind, fields = f.take()
    inner = Fields(fields)
    if kind == 0:
        return list(inner.take(2))
    if kind == 1:
        return {"pattern": pattern_form(inner)}
    return {"state_span": state_span_form(inner)}


def state_span_form(f: Fields) -> dict[str, Any]:
    machine = machine_form(f)
    names = [machine.get("out_name", "out"), *machine["states"]]
    state, valid_only = f.take(2)
    return {"machine": machine, "state": names[state]} | _given([("valid_only", valid_only, True)])


def _windowed(ref: Any, f: Fields, key: str) -> dict[str, Any]:
    return {key: ref, "window_t": f.take()} | _given([("partial_window", f.take(), False)])


def spec_form(f: Fields) -> dict[str, Any]:
    name = f.take()
    kind, fields = f.take()
    k = Fields(fields)
    args: dict[str, Any]
    if kind in (0, 1):
        args = _windowed(token_ref(k), k, "x")
    elif kind == 2:
        args = {"x": token_ref(k), "y": token_ref(k)} | _given([("reset", k.take(), True)])
    elif kind == 3:
        args = {"x": token_ref(k), "span": span_ref(k)}
    elif kind == 4:
        args = {"k": token_ref(k), "window_t": k.take()}
        agg, forward, partial = k.take(3)
        args |= _given(
            [("agg", AGGREGATIONS[agg], "mean"), ("forward", forward, True), ("partial_window", partial, False)]
        )
    elif kind == 5:
        args = {"k": token_ref(k), "span": span_ref(k)} | _given([("agg", AGGREGATIONS[k.take()], "mean")])
    elif kind in (6, 7):
        args = _windowed(span_ref(k), k, "span")
    else:
        args = {"machine": machine_form(k)}
        args |= _given([("default_state", k.take(), 0), ("invalid_label", k.take(), -1)])
    return {SPEC_KINDS[kind]: {"name": name} | args}


SPEC_KINDS = (
    "future_occurrence",
    "past_occurrence",
    "before_event",
    "in_span",
    "window_aggregate",
    "span_aggregate",
    "future_span_occurrence",
    "past_span_occurrence",
    "state_label",
)


def to_plain(obj: Any) -> dict[str, Any]:
    """The plain form of a Pattern, TideQuery, AnnotationSpec, StateMachine or StateSpan:
    a one-key mapping naming what it is (`pattern`, `query`, the spec's constructor,
    `state_machine`, `state_span`) and holding its arguments."""
    import tidemark

    f = Fields(native_fields(obj))
    if isinstance(obj, tidemark.Pattern):
        return {"pattern": pattern_form(f)}
    if isinstance(obj, tidemark.TideQuery):
        return {"query": pattern_form(f)}
    if isinstance(obj, tidemark.StateMachine):
        return {"state_machine": machine_form(f)}
    if isinstance(obj, tidemark.StateSpan):
        return {"state_span": state_span_form(f)}
    return spec_form(f)
