"""The `tidemark:` section of a task file: named patterns, label columns (annotation specs)
and state machines in their plain form, built when the file is read."""

from collections.abc import Callable
from dataclasses import dataclass, field
from typing import Any

import tidemark

from ..durations import check_unit
from ..plain import Builder, PlainFormError
from .errors import TaskFileError

_KEYS = ("unit", "patterns", "state_machines", "labels")


@dataclass(frozen=True)
class Constructs:
    """What a `tidemark:` section names, each in the order written."""

    unit: str = "h"
    patterns: dict[str, tidemark.Pattern] = field(default_factory=dict)
    state_machines: dict[str, tidemark.StateMachine] = field(default_factory=dict)
    labels: dict[str, tidemark.AnnotationSpec] = field(default_factory=dict)


def _each[T](given: dict[str, Any], key: str, build: Callable[[Any, str, str], T]) -> dict[str, T]:
    """Each named entry of section `key`, built from its form, its path and its name."""
    path = f"tidemark.{key}"
    return {
        str(name): build(form, f"{path}.{name}", str(name))
        for name, form in Builder.mapping(given.get(key, {}), path).items()
    }


def parse_constructs(section: Any, source: str, unit: str | None = None) -> Constructs:
    """The constructs of a `tidemark:` section (None: none), their durations in `unit`
    (the section's own unless given); errors name `source` and the path of the bad entry.
    Patterns come first, so that state machines and labels can name them
    (`{pattern: NAME}`), then state machines, which labels can name."""
    if section is None:
        return Constructs(unit or "h")
    try:
        given = Builder.mapping(section, "tidemark", _KEYS)
        written = given.get("unit", "h")
        try:
            check_unit(written)
        except ValueError as exc:
            raise PlainFormError("tidemark.unit", str(exc).removeprefix("unit: ")) from None
        unit = unit or written
        b = Builder(unit, written=written)
        b.patterns = patterns = _each(given, "patterns", lambda form, path, _: b.pattern(form, path))
        b.machines = machines = _each(given, "state_machines", lambda form, path, _: b.machine(form, path))
        labels = _each(given, "labels", b.spec)
    except PlainFormError as exc:
        raise TaskFileError(source, exc.path, exc.message) from None
    return Constructs(unit, patterns, machines, labels)
