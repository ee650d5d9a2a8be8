"""A MEDS dataset's metadata/codes.parquet on the corpus: read, saved, opened, refused when malformed."""

import polars as pl
import pytest
from meds_data import write_shards
from polars.testing import assert_frame_equal

from tidemark_corpus import Corpus

ROWS = [(1, 0, "LAB_LACTATE", 2.5), (1, None, "SEX//F", None)]
CODES = pl.DataFrame(
    {
        "code": ["LAB_LACTATE", "SEX//F"],
        "description": ["Lactate, blood", None],
        "parent_codes": [["LOINC/2524-7"], []],
        "unit": ["mmol/L", None],
    }
)
EMPTY = {"code": pl.String, "description": pl.String, "parent_codes": pl.List(pl.String)}


def _dataset(root, codes):
    meds = write_shards(root / "meds", ROWS)
    if codes is not None:
        (meds / "metadata").mkdir()
        codes.write_parquet(meds / "metadata" / "codes.parquet")
    return meds


@pytest.mark.parametrize(
    ("written", "expected"),
    [(CODES, CODES), (None, pl.DataFrame(schema=EMPTY)), (CODES.head(0), CODES.head(0))],
    ids=["with extra columns", "absent", "no rows"],
)
def test_code_metadata_is_read_and_survives_save_and_open(tmp_path, written, expected):
    corpus = Corpus.from_meds(_dataset(tmp_path, written))
    corpus.save(tmp_path / "saved")
    assert_frame_equal(corpus.code_metadata, expected)
    assert_frame_equal(Corpus.open(tmp_path / "saved").code_metadata, expected)


def test_code_metadata_joins_onto_events(tmp_path):
    corpus = Corpus.from_meds(_dataset(tmp_path, CODES))
    described = corpus.events().join(corpus.code_metadata, on="code", how="left")
    assert described["description"].to_list() == ["Lactate, blood"]


@pytest.mark.parametrize(
    "codes",
    [pl.DataFrame({"name": ["a"]}), pl.DataFrame({"code": [1]})],
    ids=["no code column", "numeric codes"],
)
def test_code_metadata_without_text_codes_is_refused_naming_the_file(tmp_path, codes):
    with pytest.raises(ValueError, match=r"metadata/codes\.parquet: expected a text column 'code'"):
        Corpus.from_meds(_dataset(tmp_path, codes))
