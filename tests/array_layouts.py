"""Copies of arrays in layouts a reader must not take for plain aligned ones."""

import numpy as np


def unaligned(a):
    """A copy of `a` whose data starts one byte past an aligned address."""
    raw = np.zeros(a.nbytes + 1, np.uint8)
    out = np.ndarray(a.shape, a.dtype, raw, offset=1)
    out[...] = a
    return out


def strided(a):
    """A copy of the one-dimensional `a` as every other item of a longer array."""
    out = np.zeros(2 * len(a), a.dtype)
    out[::2] = a
    return out[::2]
