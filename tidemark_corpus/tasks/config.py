"""A task configuration read from its YAML or dict form and checked: predicates, the
trigger and the tree of windows, each a frozen value."""

import re
from dataclasses import dataclass
from typing import Any

from .errors import TaskFileError
from .references import Endpoint, parse_endpoint
from .regex import regex_problem

ANY_EVENT = "_ANY_EVENT"
RECORD_START = "_RECORD_START"
RECORD_END = "_RECORD_END"
SPECIAL = (ANY_EVENT, RECORD_START, RECORD_END)

_NAME = re.compile(r"^\w+$")
_ACES_KEYS = ("predicates", "patient_demographics", "trigger", "windows")
_TOP_KEYS = (*_ACES_KEYS, "description", "metadata", "tidemark")
_PLAIN_KEYS = ("code", "value_min", "value_max", "value_min_inclusive", "value_max_inclusive", "other_cols")
_WINDOW_KEYS = ("start", "end", "start_inclusive", "end_inclusive", "has", "label", "index_timestamp")
_EXPR = re.compile(r"^\s*(and|or)\s*\((.*)\)\s*$", re.DOTALL)


@dataclass(frozen=True)
class PlainPredicate:
    """Rows whose code is `code`, one of `any`, or matches `regex` (or any code when all
    three are None), with the value range and column values given."""

    code: str | None = None
    regex: str | None = None
    any: tuple[str, ...] | None = None
    value_min: float | None = None
    value_max: float | None = None
    value_min_inclusive: bool = False
    value_max_inclusive: bool = False
    other_cols: tuple[tuple[str, Any], ...] = ()
    static: bool = False


@dataclass(frozen=True)
class DerivedPredicate:
    """At one timestamp: all (`and`) or any (`or`) of `inputs` present."""

    op: str
    inputs: tuple[str, ...]


@dataclass(frozen=True)
class Window:
    name: str
    start: Endpoint
    end: Endpoint
    start_inclusive: bool
    end_inclusive: bool
    has: tuple[tuple[str, int | None, int | None], ...] = ()
    label: str | None = None
    index_timestamp: str | None = None

    @property
    def anchor(self) -> str:
        """What the root boundary refers to: "trigger" or "<window>.start"/"<window>.end"."""
        return str((self.start if self.start.external else self.end).base)

    @property
    def root(self) -> str:
        """The boundary that refers outside the window ("start" or "end")."""
        return "start" if self.start.external else "end"


@dataclass(frozen=True)
class TaskConfig:
    source: str
    predicates: dict[str, PlainPredicate | DerivedPredicate]
    trigger: str
    windows: dict[str, Window]
    description: Any = None
    metadata: Any = None

    @property
    def demographics(self) -> list[str]:
        return [n for n, p in self.predicates.items() if isinstance(p, PlainPredicate) and p.static]

    @property
    def columns(self) -> list[str]:
        """The event columns beyond code and value that the predicates test."""
        names = {c for p in self.predicates.values() if isinstance(p, PlainPredicate) for c, _ in p.other_cols}
        return sorted(names)


def _mapping(src: str, key: str, value: Any) -> dict[str, Any]:
    if value is None:
        return {}
    if not isinstance(value, dict):
        raise TaskFileError(src, key, f"expected a mapping, got {type(value).__name__}")
    return value


def _unknown(src: str, key: str, given: dict[str, Any], allowed: tuple[str, ...]) -> None:
    for k in given:
        if k not in allowed:
            where = f"{key}.{k}" if key else str(k)
            raise TaskFileError(src, where, f"unknown key; expected one of {', '.join(allowed)}")


def _number(src: str, key: str, value: Any) -> float | None:
    if value is None:
        return None
    if isinstance(value, bool) or not isinstance(value, int | float):
        raise TaskFileError(src, key, f"expected a number, got {value!r}")
    return float(value)


def _flag(src: str, key: str, value: Any, default: bool | None = None) -> bool:
    if value is None and default is not None:
        return default
    if not isinstance(value, bool):
        raise TaskFileError(src, key, f"expected true or false, got {value!r}")
    return value


def _plain(src: str, key: str, spec: dict[str, Any], static: bool) -> PlainPredicate:
    _unknown(src, key, spec, _PLAIN_KEYS)
    code, regex, any_of = spec.get("code"), None, None
    if isinstance(code, dict):
        if len(code) != 1 or next(iter(code)) not in ("regex", "any"):
            raise TaskFileError(src, f"{key}.code", f"expected one key, regex or any; got {sorted(code)}")
        (kind, given), code = next(iter(code.items())), None
        if kind == "regex":
            if not isinstance(given, str) or not given:
                raise TaskFileError(src, f"{key}.code.regex", f"expected a non-empty text, got {given!r}")
            problem = regex_problem(given)
            if problem is not None:
                raise TaskFileError(src, f"{key}.code.regex", f"invalid regular expression: {problem}")
            regex = given
        else:
            if not isinstance(given, list) or not given or not all(isinstance(c, str) for c in given):
                raise TaskFileError(src, f"{key}.code.any", f"expected a non-empty list of codes, got {given!r}")
            any_of = tuple(given)
    elif code is not None and not isinstance(code, str):
        raise TaskFileError(src, f"{key}.code", f"expected a code, {{regex: ...}} or {{any: [...]}}, got {code!r}")
    other = _mapping(src, f"{key}.other_cols", spec.get("other_cols"))
    if code is None and regex is None and any_of is None and "code" not in spec:
        raise TaskFileError(src, f"{key}.code", "missing; a plain predicate needs a code (null for any code)")
    return PlainPredicate(
        code=code,
        regex=regex,
        any=any_of,
        value_min=_number(src, f"{key}.value_min", spec.get("value_min")),
        value_max=_number(src, f"{key}.value_max", spec.get("value_max")),
        value_min_inclusive=_flag(src, f"{key}.value_min_inclusive", spec.get("value_min_inclusive"), False),
        value_max_inclusive=_flag(src, f"{key}.value_max_inclusive", spec.get("value_max_inclusive"), False),
        other_cols=tuple(sorted(other.items())),
        static=static,
    )


def _derived(src: str, key: str, spec: dict[str, Any]) -> DerivedPredicate:
    _unknown(src, key, spec, ("expr",))
    expr = spec["expr"]
    found = _EXPR.match(expr) if isinstance(expr, str) else None
    if found is None:
        raise TaskFileError(src, f"{key}.expr", f"expected and(p1, p2, ...) or or(p1, p2, ...), got {expr!r}")
    inputs = tuple(x.strip() for x in found.group(2).split(","))
    if not all(_NAME.match(x) for x in inputs):
        raise TaskFileError(src, f"{key}.expr", f"expected predicate names separated by commas, got {expr!r}")
    return DerivedPredicate(found.group(1), inputs)


def _predicates(src: str, raw: dict[str, Any]) -> dict[str, PlainPredicate | DerivedPredicate]:
    found: dict[str, PlainPredicate | DerivedPredicate] = {}
    for section, static in (("predicates", False), ("patient_demographics", True)):
        for name, spec in _mapping(src, section, raw.get(section)).items():
            key = f"{section}.{name}"
            if not isinstance(name, str) or not _NAME.match(name) or name in SPECIAL:
                raise TaskFileError(src, key, "a predicate name is letters, digits and _, and not a special name")
            if name in found:
                raise TaskFileError(src, key, "defined twice")
            spec = _mapping(src, key, spec)
            if "expr" in spec and not static:
                found[name] = _derived(src, key, spec)
            else:
                found[name] = _plain(src, key, spec, static)
    for name, p in found.items():
        if isinstance(p, DerivedPredicate):
            for x in p.inputs:
                if x not in found and x not in SPECIAL:
                    raise TaskFileError(src, f"predicates.{name}.expr", f"predicate {x!r} is not defined")
    _check_acyclic(src, found)
    return found


def _check_acyclic(src: str, predicates: dict[str, PlainPredicate | DerivedPredicate]) -> None:
    state: dict[str, int] = {}

    def visit(name: str) -> None:
        if state.get(name) == 2:
            return
        if state.get(name) == 1:
            raise TaskFileError(src, f"predicates.{name}.expr", "derived predicates refer to each other in a cycle")
        state[name] = 1
        p = predicates.get(name)
        if isinstance(p, DerivedPredicate):
            for x in p.inputs:
                visit(x)
        state[name] = 2

    for name in predicates:
        visit(name)


def _has(src: str, key: str, raw: Any, known: set[str]) -> tuple[tuple[str, int | None, int | None], ...]:
    out = []
    for pred, bounds in _mapping(src, key, raw).items():
        if pred not in known:
            raise TaskFileError(src, f"{key}.{pred}", "predicate is not defined")
        parts = [p.strip() for p in bounds.strip().strip("()").split(",")] if isinstance(bounds, str) else []
        try:
            lo, hi = (None if p in ("", "None", "null") else int(p) for p in parts)
        except ValueError:
            raise TaskFileError(
                src, f"{key}.{pred}", f"expected '(min, max)' with integers or None, got {bounds!r}"
            ) from None
        if lo is not None and hi is not None and lo > hi:
            raise TaskFileError(src, f"{key}.{pred}", f"the minimum {lo} exceeds the maximum {hi}")
        out.append((pred, lo, hi))
    return tuple(out)


def _window(src: str, name: str, spec: Any, known: set[str]) -> Window:
    key = f"windows.{name}"
    if not isinstance(name, str) or not _NAME.match(name) or name == "trigger":
        raise TaskFileError(src, key, "a window name is letters, digits and _, and not 'trigger'")
    spec = _mapping(src, key, spec)
    _unknown(src, key, spec, _WINDOW_KEYS)
    start = parse_endpoint(src, f"{key}.start", spec.get("start"), "start")
    end = parse_endpoint(src, f"{key}.end", spec.get("end"), "end")
    if start.external == end.external:
        raise TaskFileError(src, key, "exactly one of start and end refers to the trigger or another window")
    for pred in (start.predicate, end.predicate):
        if pred is not None and pred not in known:
            raise TaskFileError(src, key, f"predicate {pred!r} is not defined")
    for flag in ("start_inclusive", "end_inclusive"):
        if flag not in spec:
            raise TaskFileError(src, f"{key}.{flag}", "missing; expected true or false")
    label = spec.get("label")
    if label is not None and label not in known:
        raise TaskFileError(src, f"{key}.label", f"predicate {label!r} is not defined")
    index = spec.get("index_timestamp")
    if index not in (None, "start", "end"):
        raise TaskFileError(src, f"{key}.index_timestamp", f"expected start or end, got {index!r}")
    return Window(
        name=name,
        start=start,
        end=end,
        start_inclusive=_flag(src, f"{key}.start_inclusive", spec["start_inclusive"]),
        end_inclusive=_flag(src, f"{key}.end_inclusive", spec["end_inclusive"]),
        has=_has(src, f"{key}.has", spec.get("has"), known),
        label=label,
        index_timestamp=index,
    )


def _check_tree(src: str, windows: dict[str, Window]) -> None:
    """Every external reference names a window boundary that exists, and the references
    form a tree rooted at the trigger (no window depends on itself)."""
    for w in windows.values():
        base = w.anchor
        if base != "trigger" and base.split(".")[0] not in windows:
            raise TaskFileError(src, f"windows.{w.name}", f"refers to {base!r}, which is not a window boundary")
    for w in windows.values():
        seen, name = {w.name}, w.name
        while True:
            base = windows[name].anchor
            if base == "trigger":
                break
            name = base.split(".")[0]
            if name in seen:
                raise TaskFileError(src, f"windows.{w.name}", "windows refer to each other in a cycle")
            seen.add(name)
    for attr in ("label", "index_timestamp"):
        having = [w.name for w in windows.values() if getattr(w, attr) is not None]
        if len(having) > 1:
            raise TaskFileError(src, f"windows.{having[1]}.{attr}", f"only one window may have a {attr}")


def _check_uses(src: str, cfg: TaskConfig) -> None:
    """Static predicates describe a subject, not a timestamp: they may only be combined
    into derived predicates, never counted in a window or used as the trigger."""
    static = set(cfg.demographics)
    uses: list[tuple[str, str | None]] = [("trigger", cfg.trigger)]
    for w in cfg.windows.values():
        uses += [(f"windows.{w.name}.has.{p}", p) for p, _, _ in w.has]
        uses += [(f"windows.{w.name}.label", w.label)]
        uses += [(f"windows.{w.name}", e.predicate) for e in (w.start, w.end)]
    for key, name in uses:
        if name in static:
            raise TaskFileError(src, key, f"{name!r} is a patient_demographics predicate; it has no timestamps")


def parse_config(raw: Any, source: str) -> TaskConfig:
    """A checked task configuration from its dict form; errors name `source` and the key."""
    if not isinstance(raw, dict):
        raise TaskFileError(source, "(top level)", f"expected a mapping, got {type(raw).__name__}")
    _unknown(source, "", raw, _TOP_KEYS)
    predicates = _predicates(source, raw)
    known = set(predicates) | set(SPECIAL)
    trigger = raw.get("trigger")
    if not isinstance(trigger, str):
        raise TaskFileError(source, "trigger", f"expected a predicate name, got {trigger!r}")
    if trigger not in known:
        raise TaskFileError(source, "trigger", f"predicate {trigger!r} is not defined")
    windows = {n: _window(source, n, s, known) for n, s in _mapping(source, "windows", raw.get("windows")).items()}
    _check_tree(source, windows)
    cfg = TaskConfig(
        source=source,
        predicates=predicates,
        trigger=trigger,
        windows=windows,
        description=raw.get("description"),
        metadata=raw.get("metadata"),
    )
    _check_uses(source, cfg)
    return cfg


def parse_task(raw: Any, source: str) -> TaskConfig | None:
    """The ACES part of a task file from its dict form, or None when the file holds only
    a `tidemark:` section (with perhaps a description and metadata) and no ACES key."""
    if isinstance(raw, dict) and "tidemark" in raw and not any(k in raw for k in _ACES_KEYS):
        _unknown(source, "", raw, _TOP_KEYS)
        return None
    return parse_config(raw, source)
