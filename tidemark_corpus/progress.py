"""Progress bars for long corpus work, shown only when asked for."""

from typing import Any


class _Silent:
    """What `bar` gives when no bar is shown: tqdm's own disabled bar still sets up a
    lock shared between processes, which costs more than the work it would time."""

    def __enter__(self) -> "_Silent":
        return self

    def __exit__(self, *exc: object) -> None:
        return None

    def update(self, n: int = 1) -> None:
        return None


def bar(show: bool, desc: str, total: int, unit: str) -> Any:
    """A tqdm bar on standard error (advanced with `update(n)`), or a silent stand-in
    unless `show` (tqdm, which loads asyncio, is imported only to show one)."""
    if not show:
        return _Silent()
    from tqdm.auto import tqdm

    return tqdm(total=total, desc=desc, unit=unit)
