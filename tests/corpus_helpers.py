"""Random corpora in the flat form of the corpus entry points, and the
per-document single-stream results they are compared with."""

import itertools
import math

import numpy as np
import tidemark
from hypothesis import strategies as st

TOKENS = "abcx"
NAN = math.nan


@st.composite
def documents(draw, max_len=8):
    """(tokens, times, values) of one document: empty and one-token documents,
    equal times and NaN values all come up."""
    tokens = draw(st.lists(st.sampled_from(TOKENS), max_size=max_len))
    n = len(tokens)
    steps = draw(st.lists(st.sampled_from([0.0, 0.0, 0.5, 1.0, 3.0]), min_size=n, max_size=n))
    times = list(itertools.accumulate(steps, initial=draw(st.sampled_from([-2.0, 0.0, 10.0]))))[1:]
    return tokens, times, draw(st.lists(st.sampled_from([NAN, -2.0, 0.5, 3.0, 8.0]), min_size=n, max_size=n))


corpora = st.lists(documents(), max_size=6)


def flat(docs):
    """token_ids, times, offsets, values of a list of documents."""
    tokens = [t for d in docs for t in d[0]]
    ids = np.array(tidemark.vocab_ids(tokens), dtype=np.uint32)
    times = np.array([t for d in docs for t in d[1]], dtype=np.float64)
    values = np.array([v for d in docs for v in d[2]], dtype=np.float64)
    offsets = np.cumsum([0] + [len(d[0]) for d in docs], dtype=np.int64)
    return ids, times, offsets, values


def flat_collected(kind, per_doc):
    """The per-match results of a collector of `kind` ("none" without one),
    one list or array per document, in the flat form of the corpus result."""
    if kind == "none":
        return None
    if kind in ("sum_times", "count"):
        return np.concatenate([np.empty(0)] + per_doc)
    matches = [m for result in per_doc for m in result]
    out = {"offsets": np.cumsum([0] + [len(m) for m in matches], dtype=np.int64)}
    if kind == "collect_tokens":
        out["token_ids"] = np.array(tidemark.vocab_ids([text for m in matches for text in m]), dtype=np.uint32)
    if kind == "collect_pairs":
        out["token_ids"] = np.array(tidemark.vocab_ids([text for m in matches for text, _ in m]), dtype=np.uint32)
        out["times"] = np.array([t for m in matches for _, t in m], dtype=np.float64)
    if kind == "collect_times":
        out["times"] = np.concatenate([np.empty(0)] + matches)
    return out


def assert_columns_equal(expected, got):
    """Same keys in the same order; arrays equal in dtype, shape and value (NaN equal to NaN)."""
    assert list(expected) == list(got)
    for key, want in expected.items():
        have = got[key]
        if isinstance(want, dict):
            assert_columns_equal(want, {k: have[k] for k in want})
        elif isinstance(want, np.ndarray):
            assert want.dtype == have.dtype and want.shape == have.shape, key
            np.testing.assert_array_equal(want, have, err_msg=key)
        else:
            assert want == have, key
