"""state_spans against the plain Python model of the run, on random machines and streams."""

import itertools
import math

from hypothesis import given
from hypothesis import strategies as st
from state_reference import build, rows_of, run
from tidemark import state_spans

TOKENS = "abcd"
NAMES = ["s1", "s2", "s3"]

token = st.sampled_from(TOKENS)
token_ref = st.one_of(
    token,
    st.lists(token, min_size=1, max_size=3),
    st.lists(st.lists(token, min_size=1, max_size=3), min_size=1, max_size=2),
)


@st.composite
def streams(draw):
    tokens = draw(st.lists(token, max_size=30))
    steps = draw(st.lists(st.sampled_from([0.0, 0.0, 0.5, 1.0, 2.0, 4.0]), min_size=len(tokens), max_size=len(tokens)))
    return tokens, list(itertools.accumulate(steps))


@st.composite
def machines(draw):
    n_states = draw(st.integers(1, 3))
    names = NAMES[:n_states]
    states = []
    for i, name in enumerate(names):
        s = dict(
            name=name,
            max_gap=draw(st.sampled_from([math.inf, math.nan, 0.0, 1.0, 2.5, 4.0])),
            gap_anchor=draw(st.sampled_from(["sustain", "any_event", "entry"])),
            self_transition=draw(st.sampled_from(["refresh", "restart", "ignore"])),
            min_duration=draw(st.sampled_from([0.0, 1.0, 3.0])),
            min_events=draw(st.integers(0, 3)),
            drop_unclosed=draw(st.booleans()),
        )
        if draw(st.booleans()):
            s["sustain"] = draw(token_ref)
        if draw(st.booleans()):
            s["require"] = draw(st.lists(token_ref, min_size=1, max_size=2))
        if math.isfinite(s["max_gap"]) and draw(st.booleans()):
            # Only into later states or the base: no cycles.
            s["timeout_to"] = draw(st.sampled_from(["out"] + names[i + 1 :]))
        states.append(s)
    from_states = st.none() | st.lists(st.sampled_from(["out"] + names), max_size=2)
    anchor = st.sampled_from(["start", "end"])
    entries = draw(st.lists(st.tuples(st.sampled_from(names), token_ref, from_states, anchor), min_size=1, max_size=4))
    exits = draw(st.lists(st.tuples(st.sampled_from(names), token_ref, st.booleans(), anchor), max_size=3))
    return states, entries, exits


@given(machines(), streams())
def test_run_matches_the_model(machine, stream):
    sm = build("out", *machine)
    expected = run("out", *machine, *stream)
    assert rows_of(state_spans(*stream, sm)) == expected
    assert rows_of(state_spans(*stream, sm, include_invalid=False)) == [r for r in expected if r[8] == 1]
