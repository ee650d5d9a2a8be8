"""The native entry points that corpus operations run on.

Each function takes a whole corpus as flat arrays (this process's token ids, float64
times, int64 offsets cutting them into documents, optional float64 values) and returns
one dictionary of arrays for all documents, with a leading "doc" column where rows
belong to documents. For now they run the module's public single-stream functions
document by document; the module's own corpus entry points take their place with the
same signatures.

List-kind collector results ("collect_tokens", "collect_times", "collect_pairs") come
back flat: a dict with "offsets" (int64, n_matches + 1) cutting "token_ids" (uint32,
"collect_tokens" and "collect_pairs") and "times" (float64, "collect_times" and
"collect_pairs") into matches.
"""

from typing import Any

import numpy as np
import tidemark

# Token texts by this process's token id, for the single-stream functions that take texts.
_texts = np.empty(0, dtype=object)


def vocab_ids(vocabulary: list[str]) -> np.ndarray:
    """This process's token ids (uint32) for `vocabulary`, remembering each id's text."""
    global _texts
    ids = np.asarray(tidemark.vocab_ids(vocabulary), dtype=np.uint32)
    if len(ids) and int(ids.max()) >= len(_texts):
        grown = np.empty(int(ids.max()) + 1, dtype=object)
        grown[: len(_texts)] = _texts
        _texts = grown
    _texts[ids] = vocabulary
    return ids


def _documents(
    token_ids: np.ndarray, times: np.ndarray, offsets: np.ndarray, values: np.ndarray | None, docs: Any = None
) -> Any:
    """(doc, token texts, times, values) of each of `docs` (every document by default)."""
    for doc in range(len(offsets) - 1) if docs is None else docs:
        lo, hi = int(offsets[doc]), int(offsets[doc + 1])
        yield doc, _texts[token_ids[lo:hi]].tolist(), times[lo:hi], None if values is None else values[lo:hi]


def _flat_collected(kind_items: list[Any]) -> Any:
    """Per-match results of one collector across documents, joined into one value."""
    if all(item is None for item in kind_items):
        return None
    if all(isinstance(item, np.ndarray) for item in kind_items):
        return np.concatenate(kind_items)
    matches = [m for item in kind_items for m in item]
    lengths = np.array([len(m) for m in matches], dtype=np.int64)
    flat: dict[str, np.ndarray] = {"offsets": np.concatenate([[0], np.cumsum(lengths)]).astype(np.int64)}
    items = [x for m in matches for x in m]
    if items and isinstance(items[0], tuple):
        flat["token_ids"] = vocab_ids([t for t, _ in items])
        flat["times"] = np.array([t for _, t in items], dtype=np.float64)
    elif matches and not isinstance(matches[0], list):
        flat["times"] = np.concatenate(matches)
    else:
        flat["token_ids"] = vocab_ids(items)
    return flat


def _corpus_match(
    query: tidemark.TideQuery,
    token_ids: np.ndarray,
    times: np.ndarray,
    offsets: np.ndarray,
    values: np.ndarray | None = None,
    first_only: bool = False,
) -> dict[str, Any]:
    # The result of an empty stream gives every column its dtype and shape when nothing matches.
    empty = query.match_stream([], np.zeros(0))
    parts: dict[str, list[Any]] = {"doc": [np.zeros(0, dtype=np.int64)], **{k: [v] for k, v in empty.items()}}
    # Only documents with a first match (found natively for the whole corpus) have matches.
    matched = np.flatnonzero(query.match_batch(token_ids, times, offsets, values)["m_start"] >= 0).tolist()
    for doc, tokens, doc_times, doc_values in _documents(token_ids, times, offsets, values, matched):
        r = query.match_stream(tokens, doc_times, doc_values, first_only=first_only)
        parts["doc"].append(np.full(len(r["m_start"]), doc, dtype=np.int64))
        for key, column in r.items():
            parts[key].append(column)
    out = {key: np.concatenate(parts[key]) for key in ("doc", "m_start", "m_end", "t_start", "t_end")}
    out.update(el_stream_idx=np.concatenate(parts["el_stream_idx"]), el_times=np.concatenate(parts["el_times"]))
    return {**out, "result": _flat_collected(parts["result"]), "mid_result": _flat_collected(parts["mid_result"])}


def _corpus_match_counts(
    query: tidemark.TideQuery,
    token_ids: np.ndarray,
    times: np.ndarray,
    offsets: np.ndarray,
    values: np.ndarray | None = None,
) -> np.ndarray:
    matches = _corpus_match(query, token_ids, times, offsets, values)
    return np.bincount(matches["doc"], minlength=len(offsets) - 1).astype(np.int64)


def _corpus_annotate(
    token_ids: np.ndarray,
    times: np.ndarray,
    offsets: np.ndarray,
    specs: list[Any],
    values: np.ndarray | None = None,
) -> dict[str, np.ndarray]:
    parts: dict[str, list[np.ndarray]] = {}
    for _, tokens, doc_times, doc_values in _documents(token_ids, times, offsets, values):
        for name, column in tidemark.annotate_stream(tokens, doc_times, specs, doc_values).items():
            parts.setdefault(name, []).append(column)
    if not parts:
        empty = tidemark.annotate_stream([], np.zeros(0), specs)
        return {name: column[:0] for name, column in empty.items()}
    return {name: np.concatenate(columns) for name, columns in parts.items()}


def _corpus_state_spans(
    token_ids: np.ndarray,
    times: np.ndarray,
    offsets: np.ndarray,
    machine: tidemark.StateMachine,
    values: np.ndarray | None = None,
    include_invalid: bool = True,
) -> dict[str, np.ndarray]:
    empty = tidemark.state_spans([], np.zeros(0), machine)
    parts: dict[str, list[np.ndarray]] = {"doc": [np.zeros(0, dtype=np.int64)], **{k: [v] for k, v in empty.items()}}
    for doc, tokens, doc_times, doc_values in _documents(token_ids, times, offsets, values):
        spans = tidemark.state_spans(tokens, doc_times, machine, doc_values, include_invalid)
        parts["doc"].append(np.full(len(spans["state"]), doc, dtype=np.int64))
        for key, column in spans.items():
            parts[key].append(column)
    return {key: np.concatenate(columns) for key, columns in parts.items()}
