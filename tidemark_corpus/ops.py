"""Corpus operations that return polars tables with subject ids and datetimes.

Each runs one native corpus call (`_native`) over the whole corpus, or over a few
large chunks of subjects when a progress bar is asked for, and maps the native
columns back to subjects, datetimes and code texts with vectorised gathers.

Reading only what a query needs: a query qualifies for `Corpus.from_meds(path,
codes=...)` with exactly the codes it names (match, block, sustain, exit and
midstream tokens) when its answer cannot depend on other events: its patterns have
no time elements (`add_time_event`, `add_dynamic_time_event`), and it reports no row
numbers (`start_row` and `end_row` then count the rows read). Annotations label every
event and state machines with a `max_gap` kept by any event (`gap_anchor="any_event"`)
or without `sustain` codes look at every event, so these need the whole corpus.
"""

from typing import TYPE_CHECKING, Any

import numpy as np
import polars as pl
import pyarrow as pa
import tidemark

from . import _native
from .progress import bar

if TYPE_CHECKING:
    from .corpus import Corpus

# At most this many native calls when a progress bar is shown.
PROGRESS_CHUNKS = 100


def _chunks(n_subjects: int, progress: bool) -> list[tuple[int, int]]:
    """Subject ranges [a, b) covering the corpus: one, or up to PROGRESS_CHUNKS for a bar."""
    if not progress or n_subjects == 0:
        return [(0, n_subjects)]
    bounds = np.unique(np.linspace(0, n_subjects, min(n_subjects, PROGRESS_CHUNKS) + 1).astype(np.int64))
    return list(zip(bounds[:-1].tolist(), bounds[1:].tolist()))


def _run(corpus: "Corpus", desc: str, progress: bool, call: Any) -> dict[str, Any]:
    """`call(token_ids, times, offsets, values)` over the corpus, or per chunk of subjects
    with a progress bar, the chunks' results joined."""
    out = []
    with bar(progress, desc, corpus.n_subjects, "subject") as shown:
        for a, b in _chunks(corpus.n_subjects, progress):
            lo, hi = int(corpus.offsets[a]), int(corpus.offsets[b])
            offsets = np.asarray(corpus.offsets[a : b + 1]) - lo
            out.append((a, call(corpus.token_ids[lo:hi], corpus.times[lo:hi], offsets, corpus.values[lo:hi])))
            shown.update(b - a)
    return _join(out)


def _join(parts: list[tuple[int, dict[str, Any]]]) -> dict[str, Any]:
    """Chunk results as one, their "doc" columns counted from the corpus's first subject."""
    if len(parts) == 1:
        return parts[0][1]
    joined: dict[str, Any] = {}
    for key in parts[0][1]:
        columns = [(first, r[key]) for first, r in parts]
        if key == "doc":
            joined[key] = np.concatenate([first + c for first, c in columns])
        elif isinstance(columns[0][1], dict):
            joined[key] = _join_flat([c for _, c in columns])
        elif columns[0][1] is None:
            joined[key] = None
        else:
            joined[key] = np.concatenate([c for _, c in columns])
    return joined


def _join_flat(parts: list[dict[str, np.ndarray]]) -> dict[str, np.ndarray]:
    starts = np.cumsum([0] + [int(p["offsets"][-1]) for p in parts[:-1]])
    joined = {"offsets": np.concatenate([[0]] + [p["offsets"][1:] + s for p, s in zip(parts, starts)])}
    for key in parts[0]:
        if key != "offsets":
            joined[key] = np.concatenate([p[key] for p in parts])
    return joined


def _code_texts(corpus: "Corpus", token_ids: np.ndarray) -> pa.Array:
    """Code texts of this process's token ids of the corpus's vocabulary."""
    vocab_ids = _native.vocab_ids(corpus.vocabulary)
    order = np.argsort(vocab_ids)
    index = order[np.searchsorted(vocab_ids[order], token_ids)]
    return pa.array(corpus.vocabulary, pa.string()).take(pa.array(index))


def _collected(corpus: "Corpus", result: Any, name: str) -> pl.Series | None:
    """A collector's per-match results as one polars column (None without a collector)."""
    if result is None:
        return None
    if isinstance(result, np.ndarray):
        return pl.Series(name, result)
    items: dict[str, pa.Array] = {}
    if "token_ids" in result:
        items["code"] = _code_texts(corpus, result["token_ids"])
    if "times" in result:
        items["time"] = pa.array(corpus.to_datetime(result["times"]))
    flat = (
        pa.StructArray.from_arrays(list(items.values()), list(items)) if len(items) == 2 else next(iter(items.values()))
    )
    lists = pa.LargeListArray.from_arrays(pa.array(result["offsets"], pa.int64()), flat)
    return pl.Series(name, lists)


def match(corpus: "Corpus", query: Any, first_only: bool = False, progress: bool = False) -> pl.DataFrame:
    """One row per match: `subject_id`, `start_time`, `end_time`, `start_row`, `end_row`
    (rows within the subject), `element_times` and `element_rows` (one entry per
    element), then `result` and `mid_result` where the pattern has collectors."""
    query = query if isinstance(query, tidemark.TideQuery) else tidemark.TideQuery(query)
    r = _run(corpus, "matching", progress, lambda i, t, o, v: _native._corpus_match(query, i, t, o, v, first_only))
    n_elements = r["el_times"].shape[1]
    n_matches = len(r["doc"])
    el_times = pl.Series(corpus.to_datetime(r["el_times"].ravel())).reshape((n_matches, n_elements))
    el_rows = pl.Series(r["el_stream_idx"].ravel()).reshape((n_matches, n_elements))
    frame = pl.DataFrame(
        {
            "subject_id": corpus.subject_ids[r["doc"]],
            "start_time": corpus.to_datetime(r["t_start"]),
            "end_time": corpus.to_datetime(r["t_end"]),
            "start_row": r["m_start"],
            "end_row": r["m_end"],
            "element_times": el_times,
            "element_rows": el_rows,
        }
    )
    extra = [_collected(corpus, r[key], key) for key in ("result", "mid_result")]
    return frame.with_columns([c for c in extra if c is not None])


def count(corpus: "Corpus", query: Any, progress: bool = False) -> pl.DataFrame:
    """Matches per subject, every subject listed: `subject_id`, `n_matches`."""
    query = query if isinstance(query, tidemark.TideQuery) else tidemark.TideQuery(query)
    counts = _run(corpus, "counting", progress, lambda *arrays: {"n": _native._corpus_match_counts(query, *arrays)})
    return pl.DataFrame({"subject_id": corpus.subject_ids, "n_matches": counts["n"]})


def _names(codes: np.ndarray, names: list[str]) -> pl.Series:
    """The text of every code: `names[codes]` as a polars String column."""
    return pl.Series(names, dtype=pl.String).gather(codes)


def _event_keys(corpus: "Corpus") -> dict[str, Any]:
    return {
        "subject_id": corpus.event_subjects(),
        "time": corpus.to_datetime(corpus.times),
        "code": _names(corpus.code_index, corpus.vocabulary),
    }


def annotate(corpus: "Corpus", specs: list[Any], progress: bool = False) -> pl.DataFrame:
    """One row per event: `subject_id`, `time`, `code`, then one column per spec (the
    native columns' dtypes)."""
    columns = _run(corpus, "annotating", progress, lambda i, t, o, v: _native._corpus_annotate(i, t, o, specs, v))
    return pl.DataFrame({**_event_keys(corpus), **columns})


def state_spans(
    corpus: "Corpus", machine: tidemark.StateMachine, include_invalid: bool = True, progress: bool = False
) -> pl.DataFrame:
    """One row per state instance: `subject_id`, `state`, `start_time`, `end_time`,
    `start_row`, `end_row`, `n_events`, `close_reason`, `reject_reason`, `valid`,
    `timeout_entered`."""
    r = _run(
        corpus,
        "running states",
        progress,
        lambda i, t, o, v: _native._corpus_state_spans(i, t, o, machine, v, include_invalid),
    )
    return pl.DataFrame(
        {
            "subject_id": corpus.subject_ids[r["doc"]],
            "state": _names(r["state"], machine.state_names),
            "start_time": corpus.to_datetime(r["t_start"]),
            "end_time": corpus.to_datetime(r["t_end"]),
            "start_row": r["start_pos"],
            "end_row": r["end_pos"],
            "n_events": r["n_events"],
            "close_reason": _names(r["close_reason"], list(tidemark.CLOSE_REASONS)),
            "reject_reason": _names(r["reject_reason"], list(tidemark.REJECT_REASONS)),
            "valid": r["valid"].astype(bool),
            "timeout_entered": r["timeout_entered"].astype(bool),
        }
    )
