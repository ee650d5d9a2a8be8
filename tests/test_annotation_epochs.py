"""before_event: epochs delimited by Y, labelled by whether X falls inside."""

from annotation_helpers import labels, starts, streams, token_refs
from hypothesis import given
from hypothesis import strategies as st
from tidemark import AnnotationSpec


@given(streams(), token_refs, token_refs, st.booleans())
def test_epochs_against_their_definition(stream, x, y, reset):
    tokens, times, _ = stream
    xs, ys = starts(x, tokens, times), starts(y, tokens, times)
    if not reset:  # one epoch: whether the first X comes at or before the first Y
        label = int(any(p <= ys[0] for p in xs)) if ys else (1 if xs else -1)
        assert labels(AnnotationSpec.before_event("b", x, y, False), tokens, times) == [label] * len(tokens)
        return
    expected, start = [], 0
    for end in ys:
        expected += [int(any(start <= p <= end for p in xs))] * (end - start + 1)
        start = end + 1
    expected += [1 if any(p >= start for p in xs) else -1] * (len(tokens) - start)
    assert labels(AnnotationSpec.before_event("b", x, y), tokens, times) == expected
