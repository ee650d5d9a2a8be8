"""Durations on a corpus's time axis: floats in its unit, timedeltas, or texts such as "48h"."""

import datetime
import re

import numpy as np

# Microseconds in one of each time unit a corpus can use.
UNIT_MICROSECONDS: dict[str, int] = {
    "us": 1,
    "ms": 1_000,
    "s": 1_000_000,
    "m": 60_000_000,
    "h": 3_600_000_000,
    "d": 86_400_000_000,
}

_TEXT = re.compile(r"\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?)\s*(us|ms|s|m|h|d)\s*")

Duration = float | int | datetime.timedelta | np.timedelta64 | str


def check_unit(unit: str) -> int:
    """Microseconds in `unit`, or a ValueError naming the accepted units."""
    try:
        return UNIT_MICROSECONDS[unit]
    except (KeyError, TypeError):
        accepted = ", ".join(f'"{u}"' for u in UNIT_MICROSECONDS)
        raise ValueError(f"unit: expected one of {accepted}, got {unit!r}") from None


def duration(x: Duration, unit: str = "h") -> float:
    """The float that a duration `x` is in `unit`, as the native builders take it.

    A number is taken as already in `unit`; a `datetime.timedelta` or `numpy.timedelta64`
    is converted exactly to microseconds first; a text is a number and one of the units
    "us", "ms", "s", "m", "h", "d", e.g. "48h", "30d", "90m", "1.5h".
    """
    per_unit = check_unit(unit)
    if isinstance(x, bool):
        raise TypeError(f"duration: expected a number, a timedelta or a text like '48h', got {x!r}")
    if isinstance(x, datetime.timedelta):
        micros = (x.days * 86_400 + x.seconds) * 1_000_000 + x.microseconds
        return micros / per_unit
    if isinstance(x, np.timedelta64):
        if np.isnat(x):
            raise ValueError("duration: a NaT timedelta has no length")
        return int(x.astype("timedelta64[us]").astype(np.int64)) / per_unit
    if isinstance(x, int | float | np.integer | np.floating):
        return float(x)
    if isinstance(x, str):
        found = _TEXT.fullmatch(x)
        if found is None:
            raise ValueError(f"duration: cannot read {x!r}; expected a number and a unit, e.g. '48h', '30d', '90m'")
        return float(found.group(1)) * UNIT_MICROSECONDS[found.group(2)] / per_unit
    raise TypeError(f"duration: expected a number, a timedelta or a text like '48h', got {type(x).__name__}")
