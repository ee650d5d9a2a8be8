"""Where a row of the input came from, so that errors can name its file and row."""

from collections.abc import Callable
from dataclasses import dataclass, field

import numpy as np


@dataclass(frozen=True)
class RowOrigin:
    """Rows of one concatenated table, cut into the files they were read from.

    `starts[i]` is the first row of `files[i]` in the table; `find`, when given,
    looks up the file (its index) and the row within it of a table row instead (the
    table kept some rows only). With no files the rows are those of one in-memory frame.
    """

    files: list[str] = field(default_factory=list)
    starts: np.ndarray = field(default_factory=lambda: np.zeros(0, dtype=np.int64))
    find: Callable[[int], tuple[int, int]] | None = None

    def describe(self, row: int) -> str:
        """'row R of FILE' (the row counted within its file, from 0), or 'row R' of a frame."""
        if not self.files:
            return f"row {row}"
        if self.find is not None:
            i, in_file = self.find(row)
        else:
            i = int(np.searchsorted(self.starts, row, side="right")) - 1
            in_file = row - int(self.starts[i])
        return f"row {in_file} of {self.files[i]}"
