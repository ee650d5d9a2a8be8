"""Window boundaries as task files write them: `null`, `trigger`, `<window>.start`,
`<window>.end`, or the window's own other boundary (`start`, `end`), each optionally
followed by `+ <duration>`, `- <duration>`, `-> <predicate>` or `<- <predicate>`."""

import re
from dataclasses import dataclass
from typing import Any

from .durations import parse_duration
from .errors import TaskFileError

_FORM = re.compile(r"^\s*(\w+(?:\.\w+)?)\s*(?:(->|<-)\s*(\w+)|([+-])\s*(.+?))?\s*$")


@dataclass(frozen=True)
class Endpoint:
    """One boundary: `base` is None (the record's start or end), "trigger",
    "<window>.start"/"<window>.end" or the own window's "start"/"end"; `offset` is in
    microseconds; `arrow` is "->" (next event of `predicate`) or "<-" (previous one)."""

    base: str | None
    offset: int = 0
    arrow: str | None = None
    predicate: str | None = None

    @property
    def external(self) -> bool:
        return self.base is not None and self.base not in ("start", "end")


def parse_endpoint(src: str, key: str, text: Any, side: str) -> Endpoint:
    """The boundary `side` ("start" or "end") of a window from its text."""
    if text is None or (isinstance(text, str) and text.strip() in ("", "NULL", "null", "None")):
        return Endpoint(None)
    found = _FORM.match(text) if isinstance(text, str) else None
    if found is None:
        raise TaskFileError(src, key, f"cannot read the boundary {text!r}")
    base, arrow, predicate, sign, delta = found.groups()
    if "." in base and base.split(".")[1] not in ("start", "end"):
        raise TaskFileError(src, key, f"{base!r}: a window boundary is <window>.start or <window>.end")
    if "." not in base and base not in ("trigger", "start", "end"):
        raise TaskFileError(src, key, f"{base!r}: expected trigger, start, end or <window>.start/.end")
    if base == side:
        raise TaskFileError(src, key, f"the {side} of a window cannot refer to itself")
    offset = 0
    if sign is not None:
        micros = parse_duration(delta)
        if micros is None:
            raise TaskFileError(src, key, f"cannot read the duration {delta!r}")
        offset = micros if sign == "+" else -micros
    # A boundary defined from the window's other boundary keeps the start before the end.
    if base == "start" and (offset < 0 or arrow == "<-"):
        raise TaskFileError(src, key, "an end defined from the start must lie after it (+ duration or ->)")
    if base == "end" and (offset > 0 or arrow == "->"):
        raise TaskFileError(src, key, "a start defined from the end must lie before it (- duration or <-)")
    return Endpoint(base, offset, arrow, predicate)
