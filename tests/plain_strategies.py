"""Random builder calls for patterns, with every value-constraint shape (bounds at the
infinities, NaN for no bound, require-NaN flags), blocks, sequences and mapped specs."""

import math

from hypothesis import strategies as st

TOKENS = st.sampled_from("abcx")
BOUND = st.sampled_from([math.nan, math.nan, -math.inf, math.inf, 0.0, 1.5, -2.0])
FLAG = st.booleans()
TIME = st.sampled_from([0.0, 0.5, 3.0, math.inf, -math.inf])


def _per(n, item):
    """A per-token list of `n` items, or None."""
    return st.one_of(st.none(), st.lists(item, min_size=n, max_size=n))


@st.composite
def _value_lists(draw, n, prefix=""):
    return {
        f"{prefix}{k}": draw(_per(n, item))
        for k, item in (("min_vals", BOUND), ("max_vals", BOUND), ("require_nan_vals", FLAG))
    }


@st.composite
def _seq_lists(draw, seqs, prefix=""):
    """Per-sequence lists of one length per sequence (the sequence's, or shorter or longer)."""
    if not draw(st.booleans()):
        return {}
    lengths = [draw(st.integers(0, len(s) + 1)) for s in seqs]
    out = {}
    for k, item in (("min_vals", BOUND), ("max_vals", BOUND), ("require_nan_vals", FLAG)):
        if draw(st.booleans()):
            out[f"{prefix}{k}"] = [draw(st.lists(item, min_size=n, max_size=n)) for n in lengths]
    return out


@st.composite
def _bounds(draw, names=("min_dt", "max_dt", "min_at", "max_at")):
    return {n: draw(TIME) for n in names if draw(st.booleans())}


@st.composite
def add_event(draw):
    kw = {"match_token": draw(TOKENS), "backtrackable": draw(FLAG)}
    if draw(st.booleans()):
        kw["block_token"] = draw(TOKENS)
    for k in ("min_val", "max_val", "block_min_val", "block_max_val"):
        kw[k] = draw(BOUND)
    kw["require_nan_val"], kw["block_require_nan_val"] = draw(FLAG), draw(FLAG)
    return "add_event", kw | draw(_bounds())


@st.composite
def add_event_set(draw):
    tokens = draw(st.lists(TOKENS, max_size=3))
    kw = {"match_tokens": tokens, **draw(_value_lists(len(tokens)))}
    block = draw(st.one_of(st.none(), st.lists(TOKENS, max_size=2)))
    if block is not None:
        kw |= {"block_tokens": block, **draw(_value_lists(len(block), "block_"))}
    return "add_event_set", kw | draw(_bounds())


SEQS = st.lists(st.lists(TOKENS, min_size=1, max_size=3), max_size=3)


@st.composite
def add_event_seq(draw):
    seqs = draw(SEQS)
    kw = {"match_seqs": seqs, **draw(_seq_lists(seqs))}
    block = draw(st.one_of(st.none(), SEQS))
    if block is not None:
        kw |= {"block_seqs": block, **draw(_seq_lists(block, "block_"))}
    return "add_event_seq", kw | draw(_bounds())


@st.composite
def add_time_event(draw):
    method = draw(st.sampled_from(["add_time_event", "add_dynamic_time_event"]))
    names = ("min_dt", "max_dt") if method == "add_time_event" else ("rel_min_dt", "rel_max_dt")
    kw = draw(_bounds((*names, "min_at", "max_at")))
    if draw(st.booleans()):
        kw |= {"block_token": draw(TOKENS), "block_min_val": draw(BOUND), "block_require_nan_val": draw(FLAG)}
    elif draw(st.booleans()):
        block = draw(st.lists(TOKENS, max_size=2))
        kw |= {"block_tokens": block, **draw(_value_lists(len(block), "block_"))}
    return method, kw


@st.composite
def add_dynamic_event(draw):
    block = draw(st.one_of(st.none(), st.lists(TOKENS, max_size=2)))
    kw = {"static_block_tokens": block, "min_val": draw(BOUND), "require_nan_val": draw(FLAG)}
    if block is not None:
        kw |= draw(_value_lists(len(block), "block_"))
    return "add_dynamic_event", kw | draw(_bounds())


@st.composite
def add_dynamic_event_set(draw):
    tokens = draw(st.lists(TOKENS, max_size=2))
    kw = {"static_match_tokens": tokens, **draw(_value_lists(len(tokens)))}
    kw |= {"match_from_last": draw(FLAG), "block_from_last": draw(FLAG)}
    return "add_dynamic_event_set", kw | draw(_bounds())


@st.composite
def _spec(draw):
    form = draw(st.sampled_from(["token", "set", "seqs"]))
    spec = draw(_bounds())
    if form == "token":
        spec |= {"match": draw(TOKENS), "min_val": draw(st.lists(BOUND, max_size=2))}
    elif form == "set":
        tokens = draw(st.lists(TOKENS, max_size=2))
        spec |= {"match": tokens, **{k[:-1]: v for k, v in draw(_value_lists(len(tokens))).items() if v is not None}}
    else:
        seqs = draw(SEQS)
        spec |= {"match": seqs, **{k[:-1]: v for k, v in draw(_seq_lists(seqs)).items()}}
    if draw(st.booleans()):
        block = draw(st.lists(TOKENS, min_size=1, max_size=2))
        spec |= {"block": block, "block_max_val": draw(st.lists(BOUND, min_size=len(block), max_size=len(block)))}
    return spec


@st.composite
def add_mapped_event(draw):
    keys = draw(st.lists(st.one_of(TOKENS, st.tuples(TOKENS, TOKENS)), max_size=3))
    kw = {"source_element": draw(st.integers(0, 3)), "match_map": {k: draw(_spec()) for k in keys}}
    if draw(st.booleans()):
        kw["default"] = draw(_spec())
    return "add_mapped_event", kw


STEPS = st.one_of(
    add_event(),
    add_event_set(),
    add_event_seq(),
    add_time_event(),
    add_dynamic_event(),
    add_dynamic_event_set(),
    add_mapped_event(),
)


@st.composite
def patterns(draw):
    import tidemark

    p = tidemark.Pattern(
        ordered=draw(FLAG),
        collector=draw(st.sampled_from(["none", "count", "collect_pairs"])),
        **draw(_bounds()),
    )
    for method, kwargs in draw(st.lists(STEPS, max_size=4)):
        getattr(p, method)(**kwargs)
    if draw(st.booleans()):
        tokens = draw(
            st.one_of(st.lists(TOKENS, max_size=2), st.lists(st.lists(TOKENS, min_size=1, max_size=2), max_size=2))
        )
        p.add_midstream_collector(
            tokens, draw(st.lists(st.integers(0, 70), max_size=2)), draw(st.lists(st.integers(0, 3), max_size=2))
        )
    return p


def _one_event(token):
    import tidemark

    p = tidemark.Pattern()
    p.add_event(token)
    return p


# Token references of every form; a pattern and a sequence set are a new trigger each time.
REFS = st.one_of(TOKENS, st.lists(TOKENS, min_size=1, max_size=2), SEQS.filter(bool), TOKENS.map(_one_event))


@st.composite
def machines(draw):
    """A machine from builder calls in any order: states, entries and exits interleaved,
    triggers shared between rules or registered anew."""
    import tidemark

    m = tidemark.StateMachine(draw(st.sampled_from(["out", "base"])))
    names = []
    for _ in range(draw(st.integers(1, 8))):
        call = draw(st.sampled_from(["state", "entry", "exit"] if names else ["state"]))
        if call == "state":
            name = f"s{len(names)}"
            kw = {"sustain": draw(st.one_of(st.none(), REFS)), "require": draw(st.lists(REFS, max_size=2))}
            if draw(st.booleans()):
                kw |= {"max_gap": 2.0, "timeout_to": draw(st.sampled_from(names or ["out"]))}
            m.add_state(name, **kw)
            names.append(name)
        elif call == "entry":
            state, anchor = draw(st.sampled_from(names)), draw(st.sampled_from(["start", "end"]))
            m.add_entry(
                state, draw(REFS), from_states=draw(st.lists(st.sampled_from(names), max_size=2)), anchor=anchor
            )
        else:
            m.add_exit(
                draw(st.sampled_from(names)), draw(REFS), draw(st.booleans()), draw(st.sampled_from(["start", "end"]))
            )
    return m
