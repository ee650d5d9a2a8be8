"""Random corpora in the flat form of the corpus entry points, and the
per-document single-stream results they are compared with."""

import numpy as np
import tidemark
from annotation_helpers import streams
from hypothesis import strategies as st

# Documents of up to eight events: empty and one-token documents, equal times and NaN values all come up.
corpora = st.lists(streams(max_len=8), max_size=6)


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
