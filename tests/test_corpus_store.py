"""Corpus.save / Corpus.open: round trips, memory mapping, refusals, and a spawned process."""

import json
import multiprocessing

import numpy as np
import pytest
import tidemark
from meds_data import corpus_rows, write_shards

from tidemark_corpus import Corpus
from tidemark_corpus.checks import ARRAY_DTYPES

ROWS = [
    (1, 7_200_000_000, "LAB_LACTATE", 5.0),
    (1, 0, "ADMIT", None),
    (1, None, "DX_SEPSIS", None),
    (2, 3_600_000_000, "MED_VANCOMYCIN", None),
    (1, 7_200_000_000, "MED_VANCOMYCIN", None),
]


@pytest.fixture
def corpus(tmp_path):
    return Corpus.from_meds(write_shards(tmp_path / "meds", ROWS, [2]), columns=(), epoch="2020-01-01")


def test_round_trip_keeps_everything_and_maps_memory(tmp_path, corpus):
    corpus.save(tmp_path / "saved")
    opened = Corpus.open(tmp_path / "saved")
    assert corpus_rows(opened) == corpus_rows(corpus)
    assert (opened.unit, opened.epoch, opened.vocabulary) == (corpus.unit, corpus.epoch, corpus.vocabulary)
    for mapped in (opened.times, opened.code_index, opened.offsets):
        assert isinstance(mapped.base, np.memmap)
        assert not mapped.flags.writeable
    assert np.array_equal(opened.token_ids, corpus.token_ids)


def test_save_refuses_an_existing_folder_unless_told(tmp_path, corpus):
    corpus.save(tmp_path / "c")
    with pytest.raises(FileExistsError):
        corpus.save(tmp_path / "c")
    corpus.save(tmp_path / "c", overwrite=True)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["c", "meds"]


def _times(change):
    def damage(folder):
        times = np.load(folder / "times.npy")
        change(times)
        np.save(folder / "times.npy", times)

    return damage


@pytest.mark.parametrize(
    ("damage", "message"),
    [
        (lambda d: (d / "times.npy").unlink(), "is not a complete saved corpus: times.npy is missing"),
        (lambda d: np.save(d / "offsets.npy", np.array([0, 3, 1], np.int64)), "offsets is not 3 non-decreasing"),
        (
            lambda d: np.save(d / "subject_ids.npy", np.array([2, 1], np.int64)),
            "subject_ids are not strictly ascending",
        ),
        (lambda d: np.save(d / "values.npy", np.zeros(2)), "values has 2 rows, expected 4"),
        (lambda d: np.save(d / "times.npy", np.zeros(4, np.float32)), "times.npy: expected a one-dimensional float64"),
        (lambda d: np.save(d / "code_index.npy", np.full(4, 9, np.int32)), "code_index points outside the 4-code"),
        (
            _times(lambda t: t.__setitem__(2, t[2] - 1)),
            r"time \S+ is earlier than the row before it at row 2 of subject 1",
        ),
        (_times(lambda t: t.__setitem__(3, np.nan)), "time nan is not finite at row 0 of subject 2"),
        (lambda d: (d / "corpus.json").write_text(json.dumps({"format": "x"})), "not a saved corpus of format"),
    ],
)
def test_open_refuses_a_damaged_corpus(tmp_path, corpus, damage, message):
    corpus.save(tmp_path / "c")
    damage(tmp_path / "c")
    with pytest.raises(ValueError, match=message) as info:
        Corpus.open(tmp_path / "c")
    assert str(tmp_path / "c") in str(info.value)


def _query_in_child(path, out):
    # A fresh interpreter: its ids differ from the parent's once it has interned other texts.
    tidemark.vocab_ids(["something", "else", "first"])
    p = tidemark.Pattern(max_dt=48.0)
    p.add_event("LAB_LACTATE", min_val=4.0)
    p.add_event("MED_VANCOMYCIN")
    out.put(Corpus.open(path).match(p).select("subject_id", "start_row", "end_row").rows())


def test_a_spawned_process_queries_a_corpus_saved_here(tmp_path, corpus):
    tidemark.vocab_ids(["MED_VANCOMYCIN", "LAB_LACTATE"])
    corpus.save(tmp_path / "c")
    context = multiprocessing.get_context("spawn")
    out = context.Queue()
    child = context.Process(target=_query_in_child, args=(tmp_path / "c", out))
    child.start()
    found = out.get(timeout=120)
    child.join(timeout=60)
    assert child.exitcode == 0
    assert found == [(1, 1, 2)]


def test_arrays_given_directly_are_checked_too(corpus):
    arrays = {name: getattr(corpus, name) for name in ARRAY_DTYPES}
    arrays["times"] = arrays["times"].astype(np.float32)
    with pytest.raises(TypeError, match=r"Corpus: times must be a one-dimensional float64 array, got float32 \(4,\)"):
        Corpus(**arrays, vocabulary=corpus.vocabulary)
