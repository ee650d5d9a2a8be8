"""One small call of every public entry point, over shared objects, each with
the result it must give: for the leak and thread tests."""

import numpy as np
import tidemark
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery

TOKENS = ["A", "x", "B", "A", "y", "B", "C"]
TIMES = [0.0, 1.0, 1.0, 2.0, 3.0, 3.0, 4.0]
VALUES = [1.0, float("nan"), 2.0, 3.0, 4.0, 5.0, 6.0]


def _objects():
    p = Pattern()
    p.add_event("A")
    p.add_event_set(["B", "C"], max_dt=2.0)
    general = Pattern(ordered=False, collector="collect_tokens")
    general.add_event_seq([["x", "B"], ["y"]])
    general.add_mapped_event(0, {"x": {"match": "A"}}, default={"match": ["C"]})
    general.add_midstream_collector(["A"], [0], [1], "count")
    sm = StateMachine()
    sm.add_state("on", max_gap=2.0)
    sm.add_entry("on", "A")
    sm.add_exit("on", [["x", "B"]])
    specs = [
        AnnotationSpec.past_occurrence("past", "A", 1.5),
        AnnotationSpec.window_aggregate("agg", ["B", "C"], 2.0, agg="max"),
        AnnotationSpec.in_span("span", "y", ("A", "B")),
        AnnotationSpec.state_label("state", sm),
    ]
    return TideQuery(p), TideQuery(general), sm, specs


QUERY, GENERAL, MACHINE, SPECS = _objects()
STREAM = QUERY.preprocess(TOKENS, TIMES, VALUES)
IDS = np.asarray(tidemark.vocab_ids(TOKENS), dtype=np.uint32)
OFFSETS = np.array([0, 3, 7], dtype=np.int64)


def _failing_match():
    try:
        QUERY.match_stream(TOKENS, TIMES[:-1])
    except ValueError as e:
        return str(e)
    raise AssertionError("a short times list must be refused")


CALLS = {
    "match_stream": lambda: QUERY.match_stream(TOKENS, TIMES, VALUES, include_tokens=True),
    "match_stream_general": lambda: GENERAL.match_stream(TOKENS, TIMES, VALUES),
    "match_preprocessed": lambda: GENERAL.match_preprocessed(STREAM, first_only=True),
    "preprocess": lambda: len(QUERY.preprocess(TOKENS, TIMES)),
    "match_batch": lambda: QUERY.match_batch(IDS, np.asarray(TIMES), OFFSETS),
    "state_spans": lambda: tidemark.state_spans(TOKENS, TIMES, MACHINE),
    "annotate_stream": lambda: tidemark.annotate_stream(TOKENS, TIMES, SPECS, VALUES),
    "vocab_ids": lambda: tidemark.vocab_ids(TOKENS),
    "state_id": lambda: MACHINE.state_id("on"),
    "span": lambda: repr(MACHINE.span("on")),
    "_fields": lambda: [tidemark._fields(o) for o in (GENERAL, MACHINE, MACHINE.span("on"), *SPECS)],
    "failing_call": _failing_match,
}


def plain(result):
    """A comparable form of a result: dicts of arrays become dicts of lists."""
    if isinstance(result, dict):
        return {k: plain(v) for k, v in result.items()}
    if isinstance(result, np.ndarray):
        return [plain(x) for x in result.tolist()] if result.dtype == object else result.tolist()
    if isinstance(result, list):
        return [plain(x) for x in result]
    return result
