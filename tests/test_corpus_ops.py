"""Corpus.match, count, annotate and state_spans against the single-stream API per subject."""

import numpy as np
import polars as pl
import pytest
import tidemark
from hypothesis import given
from meds_data import table_of, tables, write_shards
from tidemark import AnnotationSpec as A
from tidemark import Pattern, StateMachine, TideQuery

from tidemark_corpus import Corpus


def cohort():
    p = Pattern(max_dt=2.0)
    p.add_event("LAB_CREATININE", min_val=0.0)
    p.add_event("MED_VANCOMYCIN", block_token="DISCHARGE")
    return p


def collecting(kind):
    p = Pattern(collector=kind)
    p.add_event("ADMIT")
    p.add_event_set(["LAB_LACTATE", "DISCHARGE"])
    p.add_midstream_collector(["LAB_CREATININE", "MED_VANCOMYCIN"], [0], [1], collector="collect_pairs")
    return p


def stays():
    sm = StateMachine()
    sm.add_state("stay", max_gap=3.0, min_events=2, drop_unclosed=False)
    sm.add_entry("stay", "ADMIT")
    sm.add_exit("stay", "DISCHARGE")
    return sm


SPECS = [
    A.future_occurrence("vanc_2h", "MED_VANCOMYCIN", 2.0),
    A.window_aggregate("max_lactate", "LAB_LACTATE", 3.0, "max", forward=False, partial_window=True),
    A.state_label("state", stays()),
]
PATTERNS = [cohort(), *(collecting(k) for k in ("count", "collect_tokens", "collect_times", "collect_pairs"))]


def per_subject(corpus):
    """(subject id, tokens, times, values) of every subject, for the single-stream API."""
    for i, s in enumerate(corpus.subject_ids.tolist()):
        a, b = corpus.offsets[i], corpus.offsets[i + 1]
        tokens = [corpus.vocabulary[k] for k in corpus.code_index[a:b]]
        yield s, tokens, corpus.times[a:b], corpus.values[a:b]


def texts_of(result, corpus):
    """A stream result's collector entries in the form the corpus table gives them."""
    if result is None or isinstance(result, np.ndarray):
        return None if result is None else result.tolist()
    return [entry_of(r, corpus) for r in result]


def entry_of(collected, corpus):
    if isinstance(collected, np.ndarray):
        return corpus.to_datetime(collected).tolist()
    return [{"code": x[0], "time": corpus.to_datetime(x[1]).item()} if isinstance(x, tuple) else x for x in collected]


@given(tables)
def test_match_equals_match_stream_per_subject(rows):
    corpus = Corpus.from_frame(table_of(rows))
    for p in PATTERNS:
        q = TideQuery(p)
        table = corpus.match(q)
        expected = []
        for s, tokens, times, values in per_subject(corpus):
            r = q.match_stream(tokens, times, values)
            result = texts_of(r["result"], corpus)
            mid = texts_of(r["mid_result"], corpus)
            for m in range(len(r["m_start"])):
                expected.append(
                    (
                        s,
                        corpus.to_datetime(r["t_start"][m]).item(),
                        corpus.to_datetime(r["t_end"][m]).item(),
                        int(r["m_start"][m]),
                        int(r["m_end"][m]),
                        corpus.to_datetime(r["el_times"][m]).tolist(),
                        r["el_stream_idx"][m].tolist(),
                        *([] if result is None else [result[m]]),
                        *([] if mid is None else [mid[m]]),
                    )
                )
        assert table.schema["element_times"] == pl.Array(pl.Datetime("us"), 2)
        got = [tuple(list(v) if isinstance(v, (list, pl.Series)) else v for v in row) for row in table.rows()]
        assert got == expected
        counts = corpus.count(q)
        assert counts["n_matches"].to_list() == [sum(1 for e in expected if e[0] == s) for s in corpus.subject_ids]
        assert corpus.match(q, first_only=True).equals(table.unique("subject_id", keep="first", maintain_order=True))


@given(tables)
def test_annotate_and_state_spans_equal_the_stream_functions_per_subject(rows):
    corpus = Corpus.from_frame(table_of(rows))
    machine = stays()
    labels = corpus.annotate(SPECS)
    spans = corpus.state_spans(machine)
    expected_labels = {spec: [] for spec in ("vanc_2h", "max_lactate", "state")}
    expected_spans = []
    for s, tokens, times, values in per_subject(corpus):
        for name, column in tidemark.annotate_stream(tokens, times, SPECS, values).items():
            expected_labels[name].append(column)
        r = tidemark.state_spans(tokens, times, machine, values)
        for i in range(len(r["state"])):
            expected_spans.append(
                (
                    s,
                    machine.state_names[r["state"][i]],
                    corpus.to_datetime(r["t_start"][i]).item(),
                    corpus.to_datetime(r["t_end"][i]).item(),
                    int(r["start_pos"][i]),
                    int(r["end_pos"][i]),
                    int(r["n_events"][i]),
                    tidemark.CLOSE_REASONS[r["close_reason"][i]],
                    tidemark.REJECT_REASONS[r["reject_reason"][i]],
                    bool(r["valid"][i]),
                    bool(r["timeout_entered"][i]),
                )
            )
    assert labels.columns == ["subject_id", "time", "code", "vanc_2h", "max_lactate", "state"]
    assert labels["code"].to_list() == [corpus.vocabulary[k] for k in corpus.code_index]
    assert labels["time"].to_numpy().astype("datetime64[us]").tolist() == corpus.to_datetime(corpus.times).tolist()
    for name, parts in expected_labels.items():
        expected = np.concatenate(parts) if parts else np.zeros(0)
        assert labels[name].to_numpy().dtype == expected.dtype or not len(expected)
        np.testing.assert_array_equal(labels[name].to_numpy(), expected)
    assert spans.rows() == expected_spans


@pytest.mark.parametrize("op", ["match", "annotate", "state_spans"])
def test_progress_chunks_give_the_same_table_and_a_full_bar(tmp_path, capsys, op):
    codes = ["ADMIT", "LAB_CREATININE", "MED_VANCOMYCIN", "DISCHARGE"]
    rows = [(s, t * 600_000_000, code, 1.0) for s in range(150) for t, code in enumerate(codes)]
    corpus = Corpus.from_meds(write_shards(tmp_path, rows, [200, 300]), progress=True)
    assert "3/3" in capsys.readouterr().err
    arg = {"match": collecting("collect_pairs"), "annotate": SPECS, "state_spans": stays()}[op]
    assert getattr(corpus, op)(arg, progress=True).equals(getattr(corpus, op)(arg))
    assert "150/150" in capsys.readouterr().err
