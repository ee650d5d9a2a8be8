"""Annotation specs in their plain form, `{constructor: arguments}`, and the span
references they take."""

from typing import Any

from .fields import AGGREGATIONS, Fields, given_args
from .machine_form import machine_form, state_span_form
from .pattern_form import pattern_form, token_ref


def span_ref(f: Fields) -> Any:
    """A span reference: [start token, end token], {pattern: ...} or {state_span: ...}
    (the reference's alternatives in that order)."""
    kind, fields = f.take()
    inner = Fields(fields)
    if kind == 0:
        return list(inner.take(2))
    if kind == 1:
        return {"pattern": pattern_form(inner)}
    return {"state_span": state_span_form(inner)}


def _windowed(ref: Any, f: Fields, key: str) -> dict[str, Any]:
    return {key: ref, "window_t": f.take()} | given_args([("partial_window", f.take(), False)])


def spec_form(f: Fields) -> dict[str, Any]:
    """{constructor: arguments}; the kinds are numbered in the order of SPEC_KINDS."""
    name = f.take()
    kind, fields = f.take()
    k = Fields(fields)
    args: dict[str, Any]
    if kind in (0, 1):
        args = _windowed(token_ref(k), k, "x")
    elif kind == 2:
        args = {"x": token_ref(k), "y": token_ref(k)} | given_args([("reset", k.take(), True)])
    elif kind == 3:
        args = {"x": token_ref(k), "span": span_ref(k)}
    elif kind == 4:
        args = {"k": token_ref(k), "window_t": k.take()}
        agg, forward, partial = k.take(3)
        args |= given_args(
            [("agg", AGGREGATIONS[agg], "mean"), ("forward", forward, True), ("partial_window", partial, False)]
        )
    elif kind == 5:
        args = {"k": token_ref(k), "span": span_ref(k)} | given_args([("agg", AGGREGATIONS[k.take()], "mean")])
    elif kind in (6, 7):
        args = _windowed(span_ref(k), k, "span")
    else:
        args = {"machine": machine_form(k)}
        args |= given_args([("default_state", k.take(), 0), ("invalid_label", k.take(), -1)])
    return {SPEC_KINDS[kind]: {"name": name} | args}


# The annotation kinds, in the order of the model's variant, by their constructor.
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
