"""Durations as task files write them ("24h", "+ 2 days", "1 day 12 hours", "30 minutes", "60s"),
read to exact integer microseconds."""

import re

_MICROS = {
    "w": 604_800_000_000,
    "d": 86_400_000_000,
    "h": 3_600_000_000,
    "m": 60_000_000,
    "s": 1_000_000,
}
# Every spelling of a unit, by the unit it names.
_SPELLINGS = {
    "w": ("w", "wk", "wks", "week", "weeks"),
    "d": ("d", "day", "days"),
    "h": ("h", "hr", "hrs", "hour", "hours"),
    "m": ("m", "min", "mins", "minute", "minutes"),
    "s": ("s", "sec", "secs", "second", "seconds"),
}
_UNIT = {spelling: unit for unit, spellings in _SPELLINGS.items() for spelling in spellings}
_PART = re.compile(r"(\d+(?:\.\d*)?|\.\d+)\s*([a-z]+)\s*,?\s*")


def parse_duration(text: str) -> int | None:
    """The microseconds of a non-negative duration text, or None when it is not one."""
    rest = text.strip().lower()
    if not rest:
        return None
    total = 0.0
    while rest:
        found = _PART.match(rest)
        if found is None or found.group(2) not in _UNIT:
            return None
        total += float(found.group(1)) * _MICROS[_UNIT[found.group(2)]]
        rest = rest[found.end() :]
    return round(total)
