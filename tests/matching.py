"""Small helpers shared by the matching tests."""
import numpy as np

from tidemark import Pattern, TideQuery


def run(pattern, tokens, times=None, values=None, **kwargs):
    """Matches `tokens` (times default to 0, 1, 2, ...) and returns the result dict."""
    if times is None:
        times = [float(i) for i in range(len(tokens))]
    return TideQuery(pattern).match_stream(list(tokens), times, values, **kwargs)


def spans(result):
    """The (m_start, m_end) pairs of a result, in match order."""
    return list(zip(result["m_start"].tolist(), result["m_end"].tolist()))


def pattern(*tokens, **kwargs):
    """An ordered pattern of plain single-token events."""
    p = Pattern(**kwargs)
    for t in tokens:
        p.add_event(t)
    return p


def assert_results_equal(a, b):
    assert list(a) == list(b)
    for key in a:
        if isinstance(a[key], np.ndarray):
            assert a[key].dtype == b[key].dtype and a[key].shape == b[key].shape, key
            np.testing.assert_array_equal(a[key], b[key], err_msg=key)
        else:
            assert a[key] == b[key], key
