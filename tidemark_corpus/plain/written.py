"""Python objects to their plain form: the builder calls that make them, as nested dicts
and lists of str, float, int, bool and None, arguments equal to their defaults left out."""

from typing import Any

import tidemark

from .fields import Fields, native_fields
from .machine_form import machine_form, state_span_form
from .pattern_form import pattern_form
from .spec_form import spec_form


def to_plain(obj: Any) -> dict[str, Any]:
    """The plain form of a Pattern, TideQuery, AnnotationSpec, StateMachine or StateSpan:
    a one-key mapping naming what it is (`pattern`, `query`, the spec's constructor,
    `state_machine`, `state_span`) and holding its arguments."""
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
