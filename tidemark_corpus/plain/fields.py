"""Reading what a built object holds: the native module lists an object's fields in the
order of its pickled form (`tidemark._fields`); `Fields` walks that list, and the helpers
here turn the parts that several builders share (value constraints, sequence tries,
defaults) into builder arguments."""

import math
from collections.abc import Callable
from typing import Any

import tidemark

# The fields of a Pattern, TideQuery, AnnotationSpec, StateMachine or StateSpan.
native_fields: Callable[[Any], list[Any]] = tidemark._fields  # type: ignore[attr-defined]

INF = math.inf
# Names of the enumerations, indexed by their stored value.
COLLECTORS = ("none", "sum_times", "count", "collect_tokens", "collect_times", "collect_pairs")
ANCHORS = ("start", "end")
GAP_ANCHORS = ("sustain", "any_event", "entry")
SELF_TRANSITIONS = ("refresh", "restart", "ignore")
AGGREGATIONS = ("min", "max", "mean", "count")

# A value constraint: (kind, lower, upper) with kinds any (0), range (1) and require-NaN (2).
Constraint = tuple[int, float, float]
ANY, REQUIRE_NAN = 0, 2


class Fields:
    """A cursor over one list of fields."""

    def __init__(self, items: list[Any]) -> None:
        self._items = items
        self._at = 0

    def take(self, n: int = 1) -> Any:
        if n == 1:
            self._at += 1
            return self._items[self._at - 1]
        self._at += n
        return self._items[self._at - n : self._at]

    def firsts(self) -> list[Any]:
        """A list of one-field items (tokens, names, ids) as the list of those fields."""
        return [item[0] for item in self.take()]

    def constraint(self) -> Constraint:
        kind, lower, upper = self.take(3)
        return (kind, lower, upper)

    def constraints(self) -> list[Constraint]:
        return [(k, lo, hi) for k, lo, hi in self.take()]

    def trie(self) -> list[tuple[list[str], list[Constraint]]]:
        """The sequences of a trie with their per-position constraints, in an order that
        rebuilds it: each node's tokens by text, each token's edges in their stored order."""
        out: list[tuple[list[str], list[Constraint]]] = []

        def visit(terminal: bool, children: list[Any], prefix: list[str], held: list[Constraint]) -> None:
            if terminal:
                out.append((prefix, held))
            for (token,), (edges,) in sorted(children, key=lambda kv: kv[0][0]):
                for kind, lower, upper, t, c in edges:
                    visit(t, c, [*prefix, token], [*held, (kind, lower, upper)])

        terminal, children = self.take(2)
        visit(terminal, children, [], [])
        return out


def scalar_args(c: Constraint, prefix: str = "") -> dict[str, Any]:
    """The scalar builder arguments (`min_val`, `max_val`, `require_nan_val`) that form `c`."""
    kind, lower, upper = c
    if kind == REQUIRE_NAN:
        return {f"{prefix}require_nan_val": True}
    if kind == ANY:
        return {}
    out: dict[str, Any] = {}
    if lower != -INF or upper == INF:
        out[f"{prefix}min_val"] = lower
    if upper != INF:
        out[f"{prefix}max_val"] = upper
    return out


# The scalar arguments that form one constraint, with the value that means "none".
_SCALARS = (("min_val", None), ("max_val", None), ("require_nan_val", False))


def _lists(cs: list[Constraint]) -> list[list[Any]]:
    """The lower bounds, upper bounds and require-NaN flags of `cs`, one list each."""
    per = [scalar_args(c) for c in cs]
    return [[p.get(key, none) for p in per] for key, none in _SCALARS]


def _given_lists(per: list[list[list[Any]]], names: tuple[str, str, str]) -> dict[str, Any]:
    """Of the three kinds of list (one triple per item of `per`), those with an entry."""
    out = {}
    for i, (name, (_, none)) in enumerate(zip(names, _SCALARS, strict=True)):
        if any(v != none for lists in per for v in lists[i]):
            out[name] = [lists[i] for lists in per]
    return out


def list_args(cs: list[Constraint], names: tuple[str, str, str]) -> dict[str, Any]:
    """The per-token lists (lower bounds, upper bounds, require-NaN flags; None for no
    bound) that form `cs`, lists without an entry left out. A non-empty list of
    unconstrained tokens keeps its lower bounds, so that it stays one entry per token."""
    if not cs:
        return {}
    lists = _lists(cs)
    return {k: v[0] for k, v in _given_lists([lists], names).items()} or {names[0]: lists[0]}


def seq_args(seqs: list[tuple[list[str], list[Constraint]]], names: tuple[str, str, str]) -> dict[str, Any]:
    """The per-sequence lists of lists that form the constraints of `seqs`, lists without
    an entry left out (a missing constraint means any value)."""
    return _given_lists([_lists(cs) for _, cs in seqs], names)


def given_args(pairs: list[tuple[str, Any, Any]]) -> dict[str, Any]:
    """The arguments whose value differs from their default."""
    return {name: value for name, value, default in pairs if value != default}
