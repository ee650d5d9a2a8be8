"""Progress bars for long corpus work, shown only when asked for."""

from collections.abc import Iterable, Iterator
from typing import TypeVar

from tqdm.auto import tqdm

T = TypeVar("T")


def steps[T](items: Iterable[T], show: bool, desc: str, total: int | None = None, unit: str = "it") -> Iterator[T]:
    """`items` as they are, with a progress bar on standard error when `show` is true."""
    if not show:
        yield from items
        return
    with tqdm(items, desc=desc, total=total, unit=unit) as bar:
        yield from bar
