"""Corpus.slice: subjects start:stop as a corpus of their own, holding exactly their rows."""

import numpy as np
import polars as pl
import pytest
from hypothesis import given
from hypothesis import strategies as st
from meds_data import corpus_rows, reference, table_of, tables, write_shards

from tidemark_corpus import Corpus

bounds = st.one_of(st.none(), st.integers(-6, 6))


@given(tables, bounds, bounds)
def test_slice_holds_the_same_subjects_as_a_python_slice_of_them(rows, start, stop):
    corpus = Corpus.from_frame(table_of(rows), unit="us")
    expected = reference(rows)
    kept = list(expected)[start:stop]
    assert corpus_rows(corpus.slice(start, stop)) == {s: expected[s] for s in kept}


@given(tables, st.integers(1, 4))
def test_slices_side_by_side_give_the_whole_corpus_answers(rows, parts):
    corpus = Corpus.from_frame(table_of(rows), unit="us")
    cuts = np.linspace(0, corpus.n_subjects, parts + 1).astype(int)
    pieces = [corpus.slice(a, b) for a, b in zip(cuts[:-1], cuts[1:])]
    frames = [p.events() for p in pieces]
    assert pl.concat(frames).equals(corpus.events())
    assert np.array_equal(np.concatenate([p.token_ids for p in pieces]), corpus.token_ids)


def test_slice_of_a_saved_corpus_stays_memory_mapped_and_keeps_its_descriptions(tmp_path):
    rows = [(1, 0, "a", None), (2, 60, "b", 1.0), (2, 120, "a", None), (3, 180, "c", None)]
    meds = write_shards(tmp_path / "meds", rows)
    (meds / "metadata").mkdir()
    (meds / "metadata" / "dataset.json").write_text('{"dataset_name": "d"}')
    codes = pl.DataFrame({"code": ["a"], "description": ["first"], "parent_codes": [["x"]]})
    codes.write_parquet(meds / "metadata" / "codes.parquet")
    Corpus.from_meds(meds, unit="us").save(tmp_path / "c")
    whole = Corpus.open(tmp_path / "c")
    part = whole.slice(1, 2)
    assert part.subject_ids.tolist() == [2] and part.times.tolist() == [60.0, 120.0]
    assert np.shares_memory(part.times, whole.times) and not part.times.flags.writeable
    assert part.metadata == {"dataset_name": "d"} and part.code_metadata.equals(codes)


@pytest.mark.parametrize(("start", "stop", "subjects"), [(0, 0, []), (5, 9, []), (2, 1, []), (-1, None, [3])])
def test_empty_and_clipped_slices_are_well_formed(start, stop, subjects):
    frame = pl.DataFrame({"subject_id": [1, 2, 3], "time": [0.0, 1.0, 2.0], "code": ["a", "b", "c"]})
    part = Corpus.from_frame(frame, value=None).slice(start, stop)
    assert part.subject_ids.tolist() == subjects
    assert part.offsets.tolist() == list(range(len(subjects) + 1)) and part.n_events == len(subjects)
