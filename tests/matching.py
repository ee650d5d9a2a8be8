"""Small helpers shared by the matching and builder tests."""

import uuid

import numpy as np
import pytest
import tidemark
from tidemark import Pattern, TideQuery


def run(pattern, tokens, times=None, values=None, **kwargs):
    """Matches `tokens` (times default to 0, 1, 2, ...) and returns the result dict."""
    if times is None:
        times = [float(i) for i in range(len(tokens))]
    return TideQuery(pattern).match_stream(list(tokens), times, values, **kwargs)


def spans(result):
    """The (m_start, m_end) pairs of a result, in match order."""
    return list(zip(result["m_start"].tolist(), result["m_end"].tolist()))


def slots(pattern, tokens, times=None, values=None):
    """The element positions of every match, one tuple per match."""
    return [tuple(r) for r in run(pattern, tokens, times, values)["el_stream_idx"].tolist()]


def pattern(*tokens, **kwargs):
    """An ordered pattern of plain single-token events."""
    p = Pattern(**kwargs)
    for t in tokens:
        p.add_event(t)
    return p


def stream_of(items):
    """Tokens and non-decreasing times of (token, time step) pairs."""
    return [t for t, _ in items], np.cumsum([dt for _, dt in items], dtype=float)


def plain(result):
    """A collector result as plain lists; its arrays must be float64."""
    if isinstance(result, np.ndarray):
        assert result.dtype == np.float64
        return result.tolist()
    return result if result is None else [plain(x) if isinstance(x, np.ndarray) else x for x in result]


def refuses(exc, message, call, *args, **kwargs):
    """`call` raises `exc` whose text is exactly `message`."""
    with pytest.raises(exc) as info:
        call(*args, **kwargs)
    assert str(info.value) == message


def fresh_token():
    return "tok-" + uuid.uuid4().hex


def strings_held():
    """How many strings the interner holds, counting the fresh probe string
    this call interns (ids are dense: a new string's id is the count before)."""
    return tidemark.vocab_ids([fresh_token()])[0] + 1


def assert_columns_equal(expected, got):
    """Same keys in the same order; arrays equal in dtype, shape and value (NaN equal to NaN)."""
    assert list(expected) == list(got)
    for key, want in expected.items():
        have = got[key]
        if isinstance(want, dict):
            assert_columns_equal(want, {k: have[k] for k in want})
        elif isinstance(want, np.ndarray):
            assert want.dtype == have.dtype and want.shape == have.shape, key
            np.testing.assert_array_equal(want, have, err_msg=key)
        else:
            assert want == have, key
