"""write_labels: the MEDS label schema in Parquet."""

import datetime

import polars as pl
import pyarrow.parquet as pq
import pytest

from tidemark_corpus import LABEL_SCHEMA, write_labels

FRAME = pl.DataFrame(
    {
        "subject_id": [1, 2],
        "prediction_time": [datetime.datetime(2020, 1, 1, 0, 0, 0, 5), datetime.datetime(2021, 5, 1)],
        "boolean_value": [True, False],
        "score": [0.25, None],
    }
)


def test_written_file_has_the_label_schema(tmp_path):
    write_labels(FRAME, tmp_path / "labels" / "task.parquet", float_value="score")
    table = pq.read_table(tmp_path / "labels" / "task.parquet")
    assert table.schema.remove_metadata().equals(LABEL_SCHEMA.remove_metadata(), check_metadata=False)
    assert table.to_pydict() == {
        "subject_id": [1, 2],
        "prediction_time": FRAME["prediction_time"].to_list(),
        "boolean_value": [True, False],
        "integer_value": [None, None],
        "float_value": [0.25, None],
        "categorical_value": [None, None],
    }
    assert [p.name for p in (tmp_path / "labels").iterdir()] == ["task.parquet"]


@pytest.mark.parametrize(
    ("frame", "kwargs", "exc", "message"),
    [
        (FRAME.drop("boolean_value"), {}, ValueError, "no value column"),
        (FRAME, {"integer_value": "nope"}, KeyError, "integer_value: column 'nope' not found"),
        (
            FRAME.with_columns(prediction_time=pl.Series([None, datetime.datetime(2020, 1, 1)])),
            {},
            ValueError,
            "prediction_time: column 'prediction_time' is null at row 0",
        ),
        (
            FRAME.with_columns(boolean_value=pl.lit("yes")),
            {},
            TypeError,
            "boolean_value: column 'boolean_value' of type large_string is not bool",
        ),
    ],
)
def test_refusals_write_nothing(tmp_path, frame, kwargs, exc, message):
    with pytest.raises(exc, match=message):
        write_labels(frame, tmp_path / "task.parquet", **kwargs)
    assert list(tmp_path.iterdir()) == []
