"""Checks that a corpus's arrays fit together, whoever built them: a malformed corpus
would otherwise give silently wrong matches and labels."""

from typing import Any

import numpy as np

# Every array of a corpus and its dtype.
ARRAY_DTYPES: dict[str, Any] = {
    "subject_ids": np.int64,
    "offsets": np.int64,
    "times": np.float64,
    "values": np.float64,
    "code_index": np.int32,
    "static_offsets": np.int64,
    "static_code_index": np.int32,
    "static_values": np.float64,
}


def _check_offsets(where: str, name: str, offsets: np.ndarray, n_subjects: int, n_rows: int) -> None:
    if len(offsets) != n_subjects + 1 or offsets[0] != 0 or offsets[-1] != n_rows or np.any(np.diff(offsets) < 0):
        raise ValueError(f"{where}: {name} is not {n_subjects + 1} non-decreasing offsets from 0 to {n_rows}")


def _check_times(where: str, times: np.ndarray, offsets: np.ndarray, subject_ids: np.ndarray) -> None:
    """Finite times, non-decreasing within each subject."""
    bad = np.flatnonzero(~np.isfinite(times))
    if len(bad) == 0:
        falls = np.diff(times) < 0
        inner = offsets[1:-1]
        falls[inner[(inner > 0) & (inner < len(times))] - 1] = False  # a new subject may start earlier
        bad = np.flatnonzero(falls) + 1
        what = "is earlier than the row before it"
    else:
        what = "is not finite"
    if len(bad):
        row = int(bad[0])
        i = int(np.searchsorted(offsets, row, side="right")) - 1
        raise ValueError(
            f"{where}: time {times[row]} {what} at row {row - int(offsets[i])} of subject {subject_ids[i]}"
        )


def check_arrays(where: str, arrays: dict[str, np.ndarray], n_codes: int) -> None:
    """Raise a ValueError (TypeError for a wrong dtype) naming `where`, the array and the
    row, unless the arrays make a well-formed corpus over a vocabulary of `n_codes`."""
    for name, dtype in ARRAY_DTYPES.items():
        array = arrays[name]
        if not isinstance(array, np.ndarray) or array.dtype != dtype or array.ndim != 1:
            got = f"{array.dtype} {array.shape}" if isinstance(array, np.ndarray) else type(array).__name__
            raise TypeError(f"{where}: {name} must be a one-dimensional {np.dtype(dtype)} array, got {got}")
    subject_ids = arrays["subject_ids"]
    if np.any(np.diff(subject_ids) <= 0):
        raise ValueError(f"{where}: subject_ids are not strictly ascending")
    n_subjects, n_events, n_static = len(subject_ids), len(arrays["times"]), len(arrays["static_code_index"])
    _check_offsets(where, "offsets", arrays["offsets"], n_subjects, n_events)
    _check_offsets(where, "static_offsets", arrays["static_offsets"], n_subjects, n_static)
    for name, n in (("values", n_events), ("code_index", n_events), ("static_values", n_static)):
        if len(arrays[name]) != n:
            raise ValueError(f"{where}: {name} has {len(arrays[name])} rows, expected {n}")
    for name in ("code_index", "static_code_index"):
        codes = arrays[name]
        if len(codes) and (int(codes.min()) < 0 or int(codes.max()) >= n_codes):
            raise ValueError(f"{where}: {name} points outside the {n_codes}-code vocabulary")
    _check_times(where, arrays["times"], arrays["offsets"], subject_ids)
