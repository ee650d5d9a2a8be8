"""The native entry points that corpus operations run on.

Each function takes a whole corpus as flat arrays (this process's token ids, float64
times, int64 offsets cutting them into documents, optional float64 values) and returns
one dictionary of arrays for all documents, with a leading "doc" column where rows
belong to documents. They are the module's private corpus entry points, each one
native call over the whole corpus.

List-kind collector results ("collect_tokens", "collect_times", "collect_pairs") come
back flat: a dict with "offsets" (int64, n_matches + 1) cutting "token_ids" (uint32,
"collect_tokens" and "collect_pairs") and "times" (float64, "collect_times" and
"collect_pairs") into matches.
"""

from collections.abc import Callable
from typing import Any

import numpy as np
import tidemark

# The module's stubs describe its public surface only; these are its private corpus entry points.
_corpus_match: Callable[..., dict[str, Any]] = tidemark._corpus_match  # type: ignore[attr-defined]
_corpus_match_counts: Callable[..., np.ndarray] = tidemark._corpus_match_counts  # type: ignore[attr-defined]
_corpus_annotate: Callable[..., dict[str, np.ndarray]] = tidemark._corpus_annotate  # type: ignore[attr-defined]
_corpus_state_spans: Callable[..., dict[str, np.ndarray]] = tidemark._corpus_state_spans  # type: ignore[attr-defined]


def vocab_ids(vocabulary: list[str]) -> np.ndarray:
    """This process's token ids (uint32) for `vocabulary`."""
    return np.asarray(tidemark.vocab_ids(vocabulary), dtype=np.uint32)
