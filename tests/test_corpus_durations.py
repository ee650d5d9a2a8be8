"""tidemark_corpus.duration: numbers, timedeltas and texts in a corpus unit."""

import datetime

import numpy as np
import pytest

from tidemark_corpus import duration


@pytest.mark.parametrize(
    ("x", "unit", "expected"),
    [
        (48, "h", 48.0),
        (2.5, "d", 2.5),
        ("48h", "h", 48.0),
        ("30d", "h", 720.0),
        ("90m", "h", 1.5),
        ("1.5h", "m", 90.0),
        (" 2 d ", "d", 2.0),
        ("1e3ms", "s", 1.0),
        ("250us", "us", 250.0),
        (datetime.timedelta(days=1, hours=12), "h", 36.0),
        (datetime.timedelta(microseconds=7), "us", 7.0),
        (datetime.timedelta(minutes=-30), "h", -0.5),
        (np.timedelta64(90, "m"), "h", 1.5),
        (np.timedelta64(3, "D"), "d", 3.0),
    ],
)
def test_duration(x, unit, expected):
    assert duration(x, unit) == expected


@pytest.mark.parametrize(
    ("x", "unit", "exc", "message"),
    [
        ("48", "h", ValueError, "cannot read '48'"),
        ("2 weeks", "h", ValueError, "cannot read '2 weeks'"),
        ("1h", "w", ValueError, "unit: expected one of"),
        (True, "h", TypeError, "expected a number"),
        ([1], "h", TypeError, "got list"),
        (np.timedelta64("NaT", "h"), "h", ValueError, "NaT"),
    ],
)
def test_duration_refusals(x, unit, exc, message):
    with pytest.raises(exc, match=message):
        duration(x, unit)
