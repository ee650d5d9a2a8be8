"""Objects of every class, element kind, spec kind and machine option, and
what each one computes over a stream: a pickled copy must compute the same
in this process and in a fresh one."""

import math

import tidemark
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery

A = AnnotationSpec
NAN = math.nan


def with_elements(*adds, collector="collect_pairs", **kwargs):
    p = Pattern(collector=collector, **kwargs)
    for method, args, options in adds:
        getattr(p, method)(*args, **options)
    return p


def patterns():
    """One pattern per element kind, plus pattern-wide options."""
    return {
        "event": with_elements(
            ("add_event", ["a"], dict(block_token="x", min_val=0.0, max_val=5.0, block_require_nan_val=True)),
            ("add_event", ["b"], dict(max_dt=3.0, backtrackable=False)),
        ),
        "event_set": with_elements(
            ("add_event_set", [["a", "b"]], dict(min_vals=[0.0, NAN], block_tokens=["x"], max_dt=2.0)),
            ("add_event", ["c"], {}),
            collector="sum_times",
        ),
        "event_seq": with_elements(
            (
                "add_event_seq",
                [[["a", "b"], ["c"]]],
                dict(block_seqs=[["x", "x"]], require_nan_vals=[[False, True], [False]]),
            ),
            collector="collect_tokens",
        ),
        "time_events": with_elements(
            ("add_event", ["a"], {}),
            ("add_time_event", [], dict(min_at=1.0, block_tokens=["x"], block_min_vals=[2.0])),
            ("add_dynamic_time_event", [], dict(rel_min_dt=0.5, rel_max_dt=4.0, block_token="c")),
            collector="collect_times",
        ),
        "dynamic": with_elements(
            ("add_event_set", [["a", "b"]], {}),
            ("add_dynamic_event", [], dict(static_block_tokens=["x"], min_val=-1.0)),
            ("add_dynamic_event_set", [], dict(static_match_tokens=["c"], match_from_last=True, block_from_last=True)),
            collector="count",
        ),
        "mapped": with_elements(
            ("add_event_set", [["a", "b"]], {}),
            (
                "add_mapped_event",
                [0, {"a": {"match": ["b", "c"], "max_dt": 2.0}, ("b",): {"match": [["c", "a"]], "block": "x"}}],
                dict(default={"match": "x", "min_val": [1.0]}),
            ),
            ("add_mapped_event", [2**64 - 1, {"c": {"match": "x"}}], {}),  # a source that never matches is kept
            ordered=False,
        ),
        "midstream": with_elements(
            ("add_event", ["a"], {}),
            ("add_event", ["b"], {}),
            ("add_midstream_collector", [[["x", "c"], ["a"]], [0], [1]], dict(collector="collect_pairs")),
            max_dt=6.0,
            min_at=-1.0,
        ),
    }


def machine():
    """A machine using every state option, trigger form and rule option."""
    p = Pattern()
    p.add_event("a")
    p.add_event("b", max_dt=2.0)
    m = StateMachine("base")
    m.add_state("s1", max_gap=3.0, gap_anchor="any_event", sustain=["c", "x"], min_events=2, timeout_to="s2")
    m.add_state("s2", self_transition="restart", min_duration=1.0, require=[[["c", "c"]], "a"], drop_unclosed=False)
    m.add_state("s3", gap_anchor="entry", self_transition="ignore", max_gap=1.5)
    m.add_entry("s1", "a", anchor="start")
    m.add_entry("s2", p, from_states=["base", "s1"])
    m.add_entry("s3", [["x", "b"]])
    m.add_exit("s1", ["c"], inclusive=False)
    m.add_exit("s2", "x", anchor="start")
    m.add_exit("s3", "c")
    return m


def specs():
    """One spec per kind, over every reference form."""
    m = machine()
    seq_pattern = patterns()["event_seq"]
    return {
        "future_occurrence": A.future_occurrence("f", ["a", "c"], 2.0, True),
        "past_occurrence": A.past_occurrence("p", seq_pattern, 1.5),
        "before_event": A.before_event("b", [["a", "b"]], "x", reset=False),
        "in_span": A.in_span("i", "c", ("a", "x")),
        "window_aggregate": A.window_aggregate("w", "a", 3.0, "max", forward=False, partial_window=True),
        "span_aggregate": A.span_aggregate("s", ["a", "b"], m.span("s1", valid_only=False), "count"),
        "future_span_occurrence": A.future_span_occurrence("fs", patterns()["event"], 2.0),
        "past_span_occurrence": A.past_span_occurrence("ps", m.span("s2"), 1.0, True),
        "state_label": A.state_label("l", m, default_state=-2, invalid_label=-7),
    }


def cases():
    out = {f"Pattern:{k}": v for k, v in patterns().items()}
    out |= {f"TideQuery:{k}": TideQuery(v) for k, v in patterns().items()}
    out |= {f"AnnotationSpec:{k}": v for k, v in specs().items()}
    out["StateMachine"] = machine()
    out["StateSpan"] = machine().span("s1")
    return out


def behaviour(obj, tokens, times, values):
    """What the object computes over the stream, as plain data."""
    if isinstance(obj, Pattern):
        obj = TideQuery(obj)
    if isinstance(obj, TideQuery):
        r = obj.match_stream(tokens, times, values, include_tokens=True)
    elif isinstance(obj, AnnotationSpec):
        r = tidemark.annotate_stream(tokens, times, [obj], values)
    elif isinstance(obj, StateMachine):
        r = tidemark.state_spans(tokens, times, obj, values) | {"names": obj.state_names}
    else:
        r = tidemark.annotate_stream(tokens, times, [A.in_span("i", "c", obj)], values)
    return repr({k: v.tolist() if hasattr(v, "tolist") else v for k, v in r.items()})


def behaviours(objects, streams):
    return {name: [behaviour(obj, *s) for s in streams] for name, obj in objects.items()}


def intern_other_tokens():
    """Gives this process's ids out in another order than the parent's."""
    tidemark.vocab_ids([f"other-{i}" for i in range(50)] + ["x", "c", "b", "a"])
