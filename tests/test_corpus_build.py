"""Corpus.from_meds and Corpus.from_frame: ordering, static rows, values, time axis, refusals."""

import datetime
import tempfile

import numpy as np
import polars as pl
import pyarrow as pa
import pyarrow.parquet as pq
import pytest
import tidemark
from hypothesis import given
from meds_data import corpus_rows, cuts, reference, table_of, tables, write_shards

from tidemark_corpus import Corpus


@given(tables, cuts)
def test_from_meds_holds_each_subjects_rows_in_stable_time_order(rows, cut_points):
    with tempfile.TemporaryDirectory() as root:
        corpus = Corpus.from_meds(write_shards(root, rows, cut_points), unit="us")
    assert corpus_rows(corpus) == reference(rows)
    assert corpus.vocabulary == sorted(set(corpus.vocabulary))
    assert np.array_equal(
        corpus.token_ids, np.array(tidemark.vocab_ids(corpus.vocabulary), np.uint32)[corpus.code_index]
    )
    assert corpus.times.dtype == np.float64 and np.all(corpus.times == np.round(corpus.times))


@given(tables)
def test_from_frame_holds_the_same_rows_for_every_input_type(rows):
    table = table_of(rows)
    for frame in (table, pl.from_arrow(table), table.to_pandas()):
        assert corpus_rows(Corpus.from_frame(frame)) == reference(rows)


def test_attributes_have_the_contract_dtypes(tmp_path):
    rows = [(5, 3_600_000_000, "B", 1.5), (2, None, "S", None), (5, 0, "A", None)]
    corpus = Corpus.from_meds(write_shards(tmp_path, rows, [1, 1]))
    names = "subject_ids offsets static_offsets times values static_values code_index static_code_index token_ids"
    dtypes = "int64 int64 int64 float64 float64 float64 int32 int32 uint32"
    assert [getattr(corpus, name).dtype.name for name in names.split()] == dtypes.split()
    assert corpus.subject_ids.tolist() == [2, 5] and corpus.offsets.tolist() == [0, 0, 2]
    assert corpus.static_offsets.tolist() == [0, 1, 1]
    assert corpus.times.tolist() == [0.0, 1.0] and (corpus.n_subjects, corpus.n_events) == (2, 2)


@pytest.mark.parametrize(
    ("unit", "epoch", "expected"),
    [
        ("h", None, [0.5, 49.5]),
        ("m", None, [30.0, 2970.0]),
        ("d", "1970-01-02", [0.5 / 24 - 1, 49.5 / 24 - 1]),
        ("us", datetime.datetime(1970, 1, 1, 0, 30), [0.0, 49 * 3_600_000_000.0]),
    ],
)
def test_time_axis_and_back_to_datetimes(unit, epoch, expected):
    stamps = np.array(["1970-01-01T00:30", "1970-01-03T01:30"], dtype="datetime64[us]")
    corpus = Corpus.from_frame(
        pl.DataFrame({"subject_id": [1, 1], "time": stamps, "code": ["a", "b"]}), value=None, unit=unit, epoch=epoch
    )
    assert corpus.times == pytest.approx(expected)
    assert np.array_equal(corpus.to_datetime(corpus.times), stamps)


def test_microseconds_survive_the_hour_axis():
    stamps = np.datetime64("2024-02-29T23:59:59.999999", "us") + np.arange(0, 5_000_000, 999_983).astype(
        "timedelta64[us]"
    )
    corpus = Corpus.from_frame(pl.DataFrame({"subject_id": 1, "time": stamps, "code": "a"}), value=None)
    assert np.array_equal(corpus.to_datetime(corpus.times), stamps)


def test_numeric_times_are_taken_in_the_unit():
    frame = pl.DataFrame(
        {"subject_id": [1, 1, 2], "time": [5.0, 2.5, None], "code": ["b", "a", "c"], "numeric_value": [1, None, 3]}
    )
    corpus = Corpus.from_frame(frame, unit="d")
    assert corpus.times.tolist() == [2.5, 5.0]
    assert corpus.to_datetime(corpus.times).tolist() == [
        datetime.datetime(1970, 1, 3, 12),
        datetime.datetime(1970, 1, 6),
    ]
    assert corpus.static_values.tolist() == [3.0]


def test_extra_columns_follow_the_event_order_and_are_saved(tmp_path):
    table = table_of([(1, 20, "b", None), (1, None, "s", None), (1, 10, "a", None)]).append_column(
        "unit", pa.array(["x", "s", "y"])
    )
    (tmp_path / "data").mkdir()
    pq.write_table(table, tmp_path / "data" / "0.parquet")
    corpus = Corpus.from_meds(tmp_path, columns=["unit"])
    assert corpus.columns["unit"].to_pylist() == ["y", "x"]
    corpus.save(tmp_path / "saved")
    assert Corpus.open(tmp_path / "saved").columns["unit"].to_pylist() == ["y", "x"]


def test_codes_filter_reads_only_those_rows(tmp_path):
    rows = [(1, 0, "ADMIT", None), (1, 5, "LAB_LACTATE", 4.5), (1, 9, "DISCHARGE", None), (2, None, "DX", None)]
    corpus = Corpus.from_meds(write_shards(tmp_path, rows), codes=["ADMIT", "DISCHARGE", "DX"])
    assert corpus.vocabulary == ["ADMIT", "DISCHARGE", "DX"]
    assert corpus.subject_ids.tolist() == [1, 2] and corpus.n_events == 2


@pytest.mark.parametrize(
    ("rows", "kwargs", "exc", "message"),
    [
        ([(1, 0, "a", None), (4, 0, None, None)], {}, ValueError, "null code for subject 4 at row 0 of {shard_1}"),
        ([(None, 0, "a", None)], {}, ValueError, "null subject id at row 0 of {shard_0}"),
        (
            [(1, 0, "a", None), (1, 5, "b", None), (4, 0, None, None)],
            {"codes": ["a"]},
            ValueError,
            "null code for subject 4 at row 1 of {shard_1}",
        ),
        (
            [(1, 0, "a", None)],
            {"unit": "week"},
            ValueError,
            'unit: expected one of "us", "ms", "s", "m", "h", "d", got \'week\'',
        ),
    ],
)
def test_meds_refusals_name_subject_row_and_file(tmp_path, rows, kwargs, exc, message):
    root = write_shards(tmp_path, rows, [1])
    shards = {f"shard_{i}": root / "data" / f"shard_{i}.parquet" for i in range(2)}
    with pytest.raises(exc) as info:
        Corpus.from_meds(root, **kwargs)
    assert str(info.value) == message.format(**shards)


@pytest.mark.parametrize(
    ("frame", "message"),
    [
        (
            {"subject_id": [1, 2], "time": [0.0, float("nan")], "code": ["a", "b"]},
            "time nan is not finite for subject 2 at row 1",
        ),
        (
            {"subject_id": [1], "time": ["x"], "code": ["a"]},
            "time column 'time': expected datetimes, dates or numbers, got large_string",
        ),
        (
            {"subject_id": ["p"], "time": [0.0], "code": ["a"]},
            "subject column 'subject_id': expected integers, got large_string",
        ),
        (
            {"subject_id": [1], "when": [0.0], "code": ["a"]},
            "\"time column 'time' not found; columns are ['subject_id', 'when', 'code']\"",
        ),
    ],
)
def test_frame_refusals(frame, message):
    with pytest.raises((ValueError, TypeError, KeyError)) as info:
        Corpus.from_frame(pl.DataFrame(frame), value=None)
    assert str(info.value) == message


@pytest.mark.parametrize("layout", ["missing", "empty"])
def test_meds_folder_without_shards_is_refused(tmp_path, layout):
    if layout == "empty":
        (tmp_path / "data").mkdir()
    with pytest.raises(FileNotFoundError):
        Corpus.from_meds(tmp_path / "nowhere" if layout == "missing" else tmp_path)


def test_nanoseconds_are_refused_not_truncated():
    table = pa.table(
        {"subject_id": [4, 4], "time": pa.array([0, 1_000_000_001], pa.timestamp("ns")), "code": ["a", "b"]}
    )
    with pytest.raises(ValueError, match="has nanoseconds for subject 4 at row 1; a corpus keeps microseconds"):
        Corpus.from_frame(table, value=None)


SECONDS = [None, 0, 86_400, 172_800, None, 3 * 86_400]


@pytest.mark.parametrize(
    "kind",
    [pa.timestamp("s"), pa.timestamp("ms"), pa.timestamp("us"), pa.timestamp("ns"), pa.date32(), pa.date64()],
)
def test_every_arrow_time_type_reads_as_microseconds(kind):
    # Sliced chunks: null bitmaps and values are read at each chunk's offset.
    per = {"s": 1, "ms": 1_000, "us": 1_000_000, "ns": 1_000_000_000}
    scale = 1 / 86_400 if kind == pa.date32() else 1_000 if kind == pa.date64() else per[kind.unit]
    stored = [None if s is None else int(s * scale) for s in SECONDS]
    padded = pa.array([7, *stored, 7], pa.int64() if pa.types.is_timestamp(kind) or kind == pa.date64() else pa.int32())
    times = pa.chunked_array([padded.cast(kind).slice(1, 3), padded.cast(kind).slice(4, 3)])
    values = pa.chunked_array([pa.array([9.0, 1.0, None, 2.0]).slice(1, 3), pa.array([None, 3.0, 4.0])])
    table = pa.table({"subject_id": pa.array([1] * 6, pa.uint8()), "time": times, "code": list("abcdef"), "v": values})
    corpus = Corpus.from_frame(table, value="v", unit="d")
    assert corpus.times.tolist() == [0.0, 1.0, 2.0, 3.0]
    assert corpus.static_offsets.tolist() == [0, 2] and corpus.static_code_index.tolist() == [0, 4]
    assert corpus.static_values.tolist() == [1.0, 3.0]
    assert np.nan_to_num(corpus.values, nan=-1).tolist() == [-1.0, 2.0, -1.0, 4.0]


@pytest.mark.parametrize(
    ("column", "message"),
    [
        ("time", "time 157753180800000 \\(timestamp\\[s\\]\\) is out of the microsecond range for subject 1 at row 1"),
        ("subject_id", "subject id 18446744073709551615 is past the int64 range at row 1"),
    ],
)
def test_values_outside_the_corpus_ranges_are_refused(column, message):
    table = pa.table(
        {
            "subject_id": pa.array([1, 1 if column == "time" else 2**64 - 1], pa.uint64()),
            "time": pa.array([0, 157_753_180_800 * 1_000 if column == "time" else 0], pa.timestamp("s")),
            "code": ["a", "b"],
        }
    )
    with pytest.raises(ValueError, match=message):
        Corpus.from_frame(table, value=None)
