"""Random calls of the public API with valid and hostile arguments: every call
returns or raises one of the expected exceptions, a call that raises leaves
its object as it was, and results have the documented shapes."""

import os

import numpy as np
import tidemark
from entry_points import plain
from hostile import HOSTILE, Boom
from hypothesis import event, given, settings
from hypothesis import strategies as st
from tidemark import AnnotationSpec, Pattern, StateMachine, TideQuery

EXPECTED = (TypeError, ValueError, OverflowError, Boom)
TOKENS = ["A", "B", "C"]

token = st.sampled_from(TOKENS)
number = st.one_of(st.floats(-5, 5), st.sampled_from([float("nan"), float("inf"), -float("inf"), 0, 2]))
VALID = {
    "token": token,
    "tokens": st.lists(token, max_size=3),
    "seqs": st.lists(st.lists(token, min_size=1, max_size=3), min_size=1, max_size=2),
    "number": number,
    "numbers": st.lists(number, max_size=3),
    "flag": st.booleans(),
    "flags": st.lists(st.booleans(), max_size=3),
    "index": st.integers(0, 3),
    "indices": st.lists(st.integers(0, 3), max_size=2),
    "collector": st.sampled_from(["none", "count", "sum_times", "collect_tokens", "collect_pairs"]),
    "map": st.dictionaries(token, st.fixed_dictionaries({"match": token}, optional={"max_dt": number}), max_size=2),
    "state": st.sampled_from(["s", "t", "u"]),
    "states": st.lists(st.sampled_from(["s", "t"]), max_size=2),
    "trigger": st.one_of(token, st.lists(token, min_size=1, max_size=2)),
    "anchor": st.sampled_from(["start", "end"]),
    "gap_anchor": st.sampled_from(["sustain", "entry", "any_event"]),
    "self_transition": st.sampled_from(["refresh", "ignore", "restart"]),
    "agg": st.sampled_from(["min", "max", "mean", "count"]),
    "span": st.just(("A", "B")),
}

BOUNDS = {"min_dt": "number", "max_dt": "number", "min_at": "number", "max_at": "number", "backtrackable": "flag"}
VALS = {"min_vals": "numbers", "max_vals": "numbers", "require_nan_vals": "flags"}
BLOCK_VALS = {"block_min_vals": "numbers", "block_max_vals": "numbers", "block_require_nan_vals": "flags"}
PATTERN_ARGS = {"min_dt": "number", "max_dt": "number", "max_at": "number", "ordered": "flag", "collector": "collector"}
PATTERN_METHODS = {
    "add_event": {"match_token": "token", "block_token": "token", **BOUNDS, "min_val": "number", "max_val": "number"},
    "add_event_set": {"match_tokens": "tokens", "block_tokens": "tokens", **BOUNDS, **VALS, **BLOCK_VALS},
    "add_event_seq": {"match_seqs": "seqs", "block_seqs": "seqs", **BOUNDS, **VALS},
    "add_time_event": {"block_token": "token", **BOUNDS, "block_tokens": "tokens"},
    "add_dynamic_event": {"static_block_tokens": "tokens", **BOUNDS, "min_val": "number"},
    "add_dynamic_event_set": {
        "static_match_tokens": "tokens",
        "match_from_last": "flag",
        "block_from_last": "flag",
        **BOUNDS,
    },
    "add_dynamic_time_event": {"block_token": "token", "rel_min_dt": "number", "rel_max_dt": "number"},
    "add_mapped_event": {"source_element": "index", "match_map": "map", "backtrackable": "flag"},
    "add_midstream_collector": {
        "match_tokens": "tokens",
        "start_after": "indices",
        "stop_before": "indices",
        "collector": "collector",
    },
}
MACHINE_METHODS = {
    "add_state": {
        "name": "state",
        "max_gap": "number",
        "gap_anchor": "gap_anchor",
        "sustain": "tokens",
        "self_transition": "self_transition",
        "min_duration": "number",
        "min_events": "index",
        "timeout_to": "state",
    },
    "add_entry": {"state": "state", "trigger": "trigger", "from_states": "states", "anchor": "anchor"},
    "add_exit": {"state": "state", "trigger": "trigger", "inclusive": "flag", "anchor": "anchor"},
}
SPEC_MAKERS = {
    "past_occurrence": {"name": "state", "x": "trigger", "window_t": "number", "partial_window": "flag"},
    "future_occurrence": {"name": "state", "x": "trigger", "window_t": "number"},
    "before_event": {"name": "state", "x": "trigger", "y": "trigger", "reset": "flag"},
    "in_span": {"name": "state", "x": "trigger", "span": "span"},
    "window_aggregate": {"name": "state", "k": "trigger", "window_t": "number", "agg": "agg", "forward": "flag"},
    "span_aggregate": {"name": "state", "k": "trigger", "span": "span", "agg": "agg"},
}


# Required parameters, left out now and then only.
REQUIRED = {"match_token", "match_tokens", "match_seqs", "source_element", "match_map", "start_after", "stop_before"}
REQUIRED |= {"name", "state", "trigger", "x", "y", "k", "window_t", "span"}
hostile_value = st.sampled_from(HOSTILE)
spoil = st.integers(0, 9).map(lambda i: i == 0)
skip_required = st.integers(0, 19).map(lambda i: i == 0)
skip_optional = st.integers(0, 3).map(lambda i: i == 0)


@st.composite
def arguments(draw, params):
    """Keyword arguments for a random subset of `params`, each valid or, now
    and then, hostile."""
    kwargs = {}
    for name, kind in params.items():
        if not draw(skip_required if name in REQUIRED else skip_optional):
            kwargs[name] = draw(hostile_value) if draw(spoil) else draw(VALID[kind])
    return kwargs


def strategies(methods):
    return {name: arguments(params) for name, params in methods.items()}


PATTERN_CALLS, MACHINE_CALLS, SPEC_CALLS = map(strategies, (PATTERN_METHODS, MACHINE_METHODS, SPEC_MAKERS))
# More examples in the sanitizer run, where a fault becomes a report.
FUZZ = settings(max_examples=300 if os.environ.get("TIDEMARK_HYPOTHESIS_PROFILE") == "sanitize" else 40)


def outcome(fn, **kwargs):
    """The result, or the exception when it is one of the expected ones."""
    try:
        return fn(**kwargs)
    except EXPECTED as e:
        return e


def stream_of(draw):
    tokens = draw(st.lists(token, max_size=8))
    times = sorted(draw(st.lists(st.floats(0, 10), min_size=len(tokens), max_size=len(tokens))))
    return tokens, times


def check_columns(out, n=None):
    assert isinstance(out, dict)
    lens = {len(v) for v in out.values()}
    assert all(isinstance(v, np.ndarray) for v in out.values())
    assert len(lens) <= 1 and (n is None or lens <= {n})


def n_elements(p):
    return int(repr(p).split("n_elements=")[1].split(",")[0])


def behaviour(p, tokens, times):
    return outcome(TideQuery(p).match_stream, tokens=tokens, times=times)


def same(a, b):
    if isinstance(a, Exception) or isinstance(b, Exception):
        return type(a) is type(b) and str(a) == str(b)
    return repr(plain(a)) == repr(plain(b))  # repr: NaN equals NaN


@FUZZ
@given(st.data())
def test_pattern_calls(data):
    p = outcome(Pattern, **data.draw(arguments(PATTERN_ARGS)))
    event(f"Pattern: {type(p).__name__}")
    if isinstance(p, Exception):
        p = Pattern()
    tokens, times = stream_of(data.draw)
    for _ in range(data.draw(st.integers(1, 5))):
        method = data.draw(st.sampled_from(sorted(PATTERN_CALLS)))
        before = (repr(p), behaviour(p, tokens, times))
        r = outcome(getattr(p, method), **data.draw(PATTERN_CALLS[method]))
        event(f"{method}: {type(r).__name__}")
        if isinstance(r, Exception):
            assert repr(p) == before[0]
            assert same(behaviour(p, tokens, times), before[1])
        else:
            assert r is None
    out = behaviour(p, tokens, times)
    event(f"match_stream: {type(out).__name__}")
    if not isinstance(out, Exception):
        check_columns({k: out[k] for k in ("m_start", "m_end", "t_start", "t_end", "el_stream_idx", "el_times")})
        assert out["el_times"].shape == out["el_stream_idx"].shape == (len(out["m_start"]), n_elements(p))


@FUZZ
@given(st.data())
def test_machine_and_spec_calls(data):
    sm = StateMachine()
    tokens, times = stream_of(data.draw)
    for _ in range(data.draw(st.integers(1, 6))):
        method = data.draw(st.sampled_from(sorted(MACHINE_CALLS)))
        before = outcome(tidemark.state_spans, tokens=tokens, times=times, machine=sm)
        r = outcome(getattr(sm, method), **data.draw(MACHINE_CALLS[method]))
        event(f"{method}: {type(r).__name__}")
        if isinstance(r, Exception):
            assert same(outcome(tidemark.state_spans, tokens=tokens, times=times, machine=sm), before)
    out = outcome(tidemark.state_spans, tokens=tokens, times=times, machine=sm)
    event(f"state_spans: {type(out).__name__}")
    if not isinstance(out, Exception):
        check_columns(out)
    maker = data.draw(st.sampled_from(sorted(SPEC_CALLS)))
    spec = outcome(getattr(AnnotationSpec, maker), **data.draw(SPEC_CALLS[maker]))
    event(f"{maker}: {type(spec).__name__}")
    if not isinstance(spec, Exception):
        labels = outcome(tidemark.annotate_stream, tokens=tokens, times=times, specs=[spec])
        event(f"annotate_stream: {type(labels).__name__}")
        if not isinstance(labels, Exception):
            check_columns(labels, len(tokens))


@FUZZ
@given(st.data())
def test_stream_arguments(data):
    p = Pattern()
    p.add_event("A")
    p.add_event("B", max_at=1e300)
    q = TideQuery(p)
    tokens, times = stream_of(data.draw)
    args = {"tokens": tokens, "times": times, "values": None}
    for name in data.draw(st.sets(st.sampled_from(sorted(args)), max_size=2)):
        args[name] = data.draw(hostile_value)
    for fn in (q.match_stream, q.preprocess, tidemark.vocab_ids):
        kwargs = {"tokens": args["tokens"]} if fn is tidemark.vocab_ids else args
        r = outcome(fn, **kwargs)
        event(f"{fn.__name__}: {type(r).__name__}")
    r = outcome(
        q.match_batch,
        token_ids=np.zeros(len(tokens), np.uint32),
        times=np.asarray(times) if args["times"] is times else args["times"],
        offsets=np.array([0, len(tokens)], np.int64),
        values=args["values"],
    )
    event(f"match_batch: {type(r).__name__}")
