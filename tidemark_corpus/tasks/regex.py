"""Code regexes are searched by polars, whose engine has no look-around or
backreferences: a regex is checked by that engine when the task file is read, so a
pattern Python would accept cannot fail later in the middle of a run."""

import polars as pl


def regex_problem(pattern: str) -> str | None:
    """What polars' regex engine finds wrong with `pattern` (its own words), or None."""
    try:
        pl.Series("code", [""], dtype=pl.String).str.contains(pattern)
    except pl.exceptions.ComputeError as exc:
        lines = str(exc).splitlines()
        reasons = [line.removeprefix("error: ") for line in lines if line.startswith("error: ")]
        return reasons[0] if reasons else lines[0]
    return None
