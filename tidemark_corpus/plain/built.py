"""Plain forms back to Python objects, by replaying the public builder calls they name, so
every check and message of the builders applies; each error names the path of its entry."""

import math
from collections.abc import Callable, Mapping
from typing import Any

import tidemark

from ..durations import check_unit, duration
from .errors import PlainFormError
from .pattern_form import ELEMENT_METHODS
from .spec_form import SPEC_KINDS

_TIMES = {"min_dt", "max_dt", "min_at", "max_at", "rel_min_dt", "rel_max_dt", "window_t", "max_gap", "min_duration"}
# Value bounds, where null (no bound) stands for the builders' NaN.
_BOUNDS = {"min_val", "max_val", "block_min_val", "block_max_val"} | {
    f"{k}s" for k in ("min_val", "max_val", "block_min_val", "block_max_val")
}
_PATTERN_KEYS = ("min_dt", "max_dt", "min_at", "max_at", "ordered", "collector", "elements", "midstream")
_MACHINE_KEYS = ("out_name", "steps")
_MACHINE_METHODS = ("add_state", "add_entry", "add_exit")
_STATE_SPAN_KEYS = ("machine", "state", "valid_only")


def _at(path: str, key: str) -> str:
    """The path of entry `key` under `path` (the top level has an empty path)."""
    return f"{path}.{key}" if path else key


def _nan_for_none(x: Any) -> Any:
    if x is None:
        return math.nan
    return [_nan_for_none(v) for v in x] if isinstance(x, list) else x


class Builder:
    """Builds objects whose durations are in `unit` from plain forms. Durations are
    written as numbers in `written` (`unit` unless given) or as texts and timedeltas that
    `tidemark_corpus.duration` reads; `{pattern: NAME}` and a state span's
    `machine: NAME` refer to the objects in `patterns` and `machines`."""

    def __init__(
        self,
        unit: str = "h",
        patterns: Mapping[str, tidemark.Pattern] | None = None,
        machines: Mapping[str, tidemark.StateMachine] | None = None,
        written: str | None = None,
    ) -> None:
        self.unit = unit
        # Microseconds per written number and per built number: a number is scaled by
        # their ratio, multiplied first so that whole numbers convert exactly.
        self._scale = (check_unit(written or unit), check_unit(unit))
        self.patterns = patterns if patterns is not None else {}
        self.machines = machines if machines is not None else {}

    # -- shared checks ---------------------------------------------------------------

    @staticmethod
    def mapping(data: Any, path: str, keys: tuple[str, ...] | None = None) -> dict[str, Any]:
        if not isinstance(data, dict):
            raise PlainFormError(path, f"expected a mapping, got {type(data).__name__}")
        for k in data:
            if keys is not None and k not in keys:
                raise PlainFormError(_at(path, k), f"unknown key; expected one of {', '.join(keys)}")
        return data

    @classmethod
    def one_of(cls, data: Any, path: str, kinds: tuple[str, ...]) -> tuple[str, Any]:
        """The single key of a one-key mapping, one of `kinds`, and its value."""
        given = cls.mapping(data, path, kinds)
        if len(given) != 1:
            raise PlainFormError(path, f"expected exactly one key, one of {', '.join(kinds)}; got {len(given)}")
        return next(iter(given.items()))

    def args(self, data: Any, path: str) -> dict[str, Any]:
        """Builder keyword arguments: durations read in the unit, null bounds as NaN."""
        out = dict(self.mapping(data, path))
        for k, v in out.items():
            if k in _TIMES:
                try:
                    out[k] = self.duration(v)
                except (TypeError, ValueError) as exc:
                    raise PlainFormError(f"{path}.{k}", str(exc)) from None
            elif k in _BOUNDS:
                out[k] = _nan_for_none(v)
        return out

    def duration(self, x: Any) -> float:
        """A duration as built: a number is in the written unit, anything else says its own."""
        if isinstance(x, int | float) and not isinstance(x, bool):
            per_written, per_built = self._scale
            return float(x) * per_written / per_built if per_written != per_built else float(x)
        return duration(x, self.unit)

    @staticmethod
    def call[T](path: str, fn: Callable[..., T], *args: Any, **kwargs: Any) -> T:
        try:
            return fn(*args, **kwargs)
        except (TypeError, ValueError, OverflowError) as exc:
            raise PlainFormError(path, str(exc)) from None

    # -- patterns --------------------------------------------------------------------

    def pattern(self, data: Any, path: str) -> tidemark.Pattern:
        given = self.mapping(data, path, _PATTERN_KEYS)
        options = self.args({k: v for k, v in given.items() if k not in ("elements", "midstream")}, path)
        p = self.call(path, tidemark.Pattern, **options)
        elements = given.get("elements", [])
        if not isinstance(elements, list):
            raise PlainFormError(f"{path}.elements", f"expected a list, got {type(elements).__name__}")
        for i, step in enumerate(elements):
            where = f"{path}.elements[{i}]"
            method, raw = self.one_of(step, where, ELEMENT_METHODS)
            kwargs = self.args(raw, f"{where}.{method}")
            if method == "add_mapped_event":
                kwargs = self.mapped(kwargs, f"{where}.{method}")
            self.call(f"{where}.{method}", getattr(p, method), **kwargs)
        if "midstream" in given:
            where = f"{path}.midstream"
            self.call(where, p.add_midstream_collector, **self.mapping(given["midstream"], where))
        return p

    def mapped(self, kwargs: dict[str, Any], path: str) -> dict[str, Any]:
        """`match_map` from its list of entries, each an event spec with its `key`."""
        entries = kwargs.get("match_map")
        if not isinstance(entries, list):
            raise PlainFormError(f"{path}.match_map", f"expected a list of entries, got {type(entries).__name__}")
        match_map = {}
        for i, entry in enumerate(entries):
            where = f"{path}.match_map[{i}]"
            spec = self.args(entry, where)
            if "key" not in spec:
                raise PlainFormError(where, "missing key; each entry names its source token(s) under key")
            key = spec.pop("key")
            if not (isinstance(key, str) or (isinstance(key, list) and all(isinstance(t, str) for t in key))):
                raise PlainFormError(f"{where}.key", f"expected a token or a list of tokens, got {key!r}")
            match_map[tuple(key) if isinstance(key, list) else key] = spec
        kwargs["match_map"] = match_map
        if "default" in kwargs:
            kwargs["default"] = self.args(kwargs["default"], f"{path}.default")
        return kwargs

    # -- references ------------------------------------------------------------------

    @staticmethod
    def named[T](value: Any, path: str, known: Mapping[str, T], what: str) -> T:
        if value not in known:
            names = ", ".join(known) or "none"
            raise PlainFormError(path, f"no {what} named {value!r}; defined: {names}")
        return known[value]

    def token_ref(self, data: Any, path: str) -> Any:
        """A token, a token list, a list of sequences, or {pattern: form or name}."""
        if not isinstance(data, dict):
            return data
        _, form = self.one_of(data, path, ("pattern",))
        if isinstance(form, str):
            return self.named(form, f"{path}.pattern", self.patterns, "pattern")
        return self.pattern(form, f"{path}.pattern")

    def span_ref(self, data: Any, path: str) -> Any:
        """[start token, end token], {pattern: ...} or {state_span: ...}."""
        if isinstance(data, list):
            return tuple(data)
        kind, form = self.one_of(data, path, ("pattern", "state_span"))
        if kind == "pattern":
            return self.token_ref(data, path)
        return self.state_span(form, f"{path}.state_span")

    # -- state machines and specs ----------------------------------------------------

    def machine(self, data: Any, path: str) -> tidemark.StateMachine:
        if isinstance(data, str):
            return self.named(data, path, self.machines, "state machine")
        given = self.mapping(data, path, _MACHINE_KEYS)
        m = self.call(path, tidemark.StateMachine, **{k: v for k, v in given.items() if k == "out_name"})
        steps = given.get("steps", [])
        if not isinstance(steps, list):
            raise PlainFormError(f"{path}.steps", f"expected a list, got {type(steps).__name__}")
        for i, step in enumerate(steps):
            method, raw = self.one_of(step, f"{path}.steps[{i}]", _MACHINE_METHODS)
            where = f"{path}.steps[{i}].{method}"
            kwargs = self.args(raw, where)
            for key in ("sustain", "trigger"):
                if key in kwargs:
                    kwargs[key] = self.token_ref(kwargs[key], f"{where}.{key}")
            if isinstance(kwargs.get("require"), list):
                kwargs["require"] = [
                    self.token_ref(r, f"{where}.require[{j}]") for j, r in enumerate(kwargs["require"])
                ]
            self.call(where, getattr(m, method), **kwargs)
        return m

    def state_span(self, data: Any, path: str) -> tidemark.StateSpan:
        given = self.mapping(data, path, _STATE_SPAN_KEYS)
        if "machine" not in given:
            raise PlainFormError(path, "missing machine")
        m = self.machine(given["machine"], f"{path}.machine")
        return self.call(path, m.span, **{k: v for k, v in given.items() if k != "machine"})

    def spec(self, data: Any, path: str, name: str | None = None) -> tidemark.AnnotationSpec:
        """An annotation spec: {constructor: arguments}; `name` (a task file's key) is the
        column name, which the arguments may repeat but not contradict."""
        kind, raw = self.one_of(data, path, SPEC_KINDS)
        where = _at(path, kind)
        kwargs = self.args(raw, where)
        if name is not None:
            if kwargs.setdefault("name", name) != name:
                raise PlainFormError(
                    f"{where}.name", f"the column is named {name!r} by its key, not {kwargs['name']!r}"
                )
        for key in ("x", "y", "k"):
            if key in kwargs:
                kwargs[key] = self.token_ref(kwargs[key], f"{where}.{key}")
        if "span" in kwargs:
            kwargs["span"] = self.span_ref(kwargs["span"], f"{where}.span")
        if "machine" in kwargs:
            kwargs["machine"] = self.machine(kwargs["machine"], f"{where}.machine")
        make: Callable[..., tidemark.AnnotationSpec] = getattr(tidemark.AnnotationSpec, kind)
        return self.call(where, make, **kwargs)


def from_plain(data: Any, unit: str = "h") -> Any:
    """The object that a plain form (as `to_plain` writes it) describes."""
    b = Builder(unit)
    kind, form = b.one_of(data, "", ("pattern", "query", "state_machine", "state_span", *SPEC_KINDS))
    if kind == "pattern":
        return b.pattern(form, "pattern")
    if kind == "query":
        return tidemark.TideQuery(b.pattern(form, "query"))
    if kind == "state_machine":
        return b.machine(form, "state_machine")
    if kind == "state_span":
        return b.state_span(form, "state_span")
    return b.spec(data, "")
