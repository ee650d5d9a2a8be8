"""before_event: epochs delimited by Y, labelled by whether X falls inside."""
import pytest
from hypothesis import given

from annotation_helpers import labels, starts, streams, token_refs
from tidemark import AnnotationSpec


@pytest.mark.parametrize("tokens, reset, expected", [
    # Epochs [0, 2], [3, 5] and the trailing [6, 7]; the label covers the whole epoch.
    ("qqyqxyqq", True, [0, 0, 0, 1, 1, 1, -1, -1]),
    ("qxq", True, [1, 1, 1]),  # no Y: one trailing epoch
    ("qqq", True, [-1, -1, -1]),
    # The first X at or before the first Y, without resets.
    ("qxyq", False, [1] * 4),
    ("qyxq", False, [0] * 4),
    ("qyq", False, [0] * 3),
    ("qxq", False, [1] * 3),
    ("qqq", False, [-1] * 3),
    ("", False, []),
])
def test_epochs(tokens, reset, expected):
    assert labels(AnnotationSpec.before_event("b", "x", "y", reset), tokens) == expected


def test_x_at_the_closing_y_counts():
    # x and y as one token set: the same position is an X and a Y.
    both = AnnotationSpec.before_event("b", ["x", "w"], ["y", "w"])
    assert labels(both, "qqwqq") == [1, 1, 1, -1, -1]
    assert labels(AnnotationSpec.before_event("b", ["x", "w"], ["y", "w"], False), "qwxq") == [1] * 4


@given(streams(), token_refs, token_refs)
def test_epochs_against_their_definition(stream, x, y):
    tokens, times, _ = stream
    xs, ys = starts(x, tokens, times), starts(y, tokens, times)
    expected, start = [], 0
    for end in ys:
        expected += [int(any(start <= p <= end for p in xs))] * (end - start + 1)
        start = end + 1
    expected += [1 if any(p >= start for p in xs) else -1] * (len(tokens) - start)
    assert labels(AnnotationSpec.before_event("b", x, y), tokens, times) == expected
