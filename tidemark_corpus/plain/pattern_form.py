"""Patterns in their plain form: the constructor's arguments and one builder call per
element, arguments equal to their defaults left out; and token references, which may
hold a pattern."""

from typing import Any

from .fields import COLLECTORS, INF, Fields, given_args, list_args, scalar_args, seq_args

_BOUNDS = (("min_dt", 0.0), ("max_dt", INF), ("min_at", -INF), ("max_at", INF))
_VALS = ("min_vals", "max_vals", "require_nan_vals")
_BLOCK_VALS = ("block_min_vals", "block_max_vals", "block_require_nan_vals")
_SPEC_VALS = ("min_val", "max_val", "require_nan_val")
_SPEC_BLOCK_VALS = ("block_min_val", "block_max_val", "block_require_nan_val")


def _bounds(f: Fields, names: tuple[str, ...] = ("min_dt", "max_dt", "min_at", "max_at")) -> dict[str, Any]:
    values = f.take(4)
    return given_args([(n, v, d) for n, v, (_, d) in zip(names, values, _BOUNDS, strict=True)])


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
    match = scalar_args(f.constraint())
    block = _block_list(f.firsts(), f.constraints(), "static_block_tokens")
    bounds = _bounds(f)
    f.take()  # the flag that takes the token matched last, always set for this kind
    return block | match | bounds


def _dynamic_event_set(f: Fields) -> dict[str, Any]:
    tokens, cs = f.firsts(), f.constraints()
    out = {"static_match_tokens": tokens, **list_args(cs, _VALS)} if tokens else {}
    out |= _block_list(f.firsts(), f.constraints(), "static_block_tokens")
    bounds = _bounds(f)
    out |= given_args([("match_from_last", f.take(), False), ("block_from_last", f.take(), False)])
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
    """`match_map` as a list of event specs, each with its source token(s) under `key`,
    in the order of the keys (the map itself has no order)."""
    default = f.take()
    entries = sorted((Fields(k).firsts(), _spec(Fields(v))) for k, v in f.take())
    match_map = [{"key": k[0] if len(k) == 1 else k, **spec} for k, spec in entries]
    out = {"source_element": f.take(), "match_map": match_map}
    return out | ({"default": _spec(Fields(default))} if default is not None else {})


# The element kinds, in the order of the model's variant, with the builder that adds each.
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
        args |= given_args([("backtrackable", ef.take(), True)])
        elements.append({method: args})
    midstream = f.take()
    out = _bounds(f) | given_args([("ordered", f.take(), True), ("collector", COLLECTORS[f.take()], "none")])
    out["elements"] = elements
    if midstream is not None:
        m = Fields(midstream)
        masks = m.take(2)
        seqs = [s for s, _ in m.trie()]
        tokens: list[Any] = [s[0] for s in seqs] if all(len(s) == 1 for s in seqs) else seqs
        start_after, stop_before = ([i for i in range(64) if mask >> i & 1] for mask in masks)
        out["midstream"] = {"match_tokens": tokens, "start_after": start_after, "stop_before": stop_before}
        out["midstream"] |= given_args([("collector", COLLECTORS[m.take()], "collect_tokens")])
    return out


def token_ref(f: Fields) -> Any:
    """A token reference: a token, a token list, a list of sequences or {pattern: ...}
    (the reference's alternatives in that order)."""
    kind, fields = f.take()
    inner = Fields(fields)
    if kind == 0:
        return inner.take()
    if kind == 1:
        return inner.firsts()
    if kind == 2:
        return [s for s, _ in inner.trie()]
    return {"pattern": pattern_form(inner)}
