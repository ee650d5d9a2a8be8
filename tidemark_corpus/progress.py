"""Progress bars for long corpus work, shown only when asked for."""

from typing import Any

from tqdm.auto import tqdm


def bar(show: bool, desc: str, total: int, unit: str) -> Any:
    """A tqdm bar on standard error (advanced with `update(n)`), silent unless `show`."""
    return tqdm(total=total, desc=desc, unit=unit, disable=not show)
