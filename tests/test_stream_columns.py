"""Times and values given as float64 arrays (read in place when aligned and
contiguous) give what the same numbers as lists give, whatever the layout;
an array that user code reshapes while another argument converts is refused
or read as it is then, never from freed memory."""

import numpy as np
import pytest
import tidemark
from array_layouts import strided, unaligned
from entry_points import MACHINE, QUERY, SPECS, TIMES, TOKENS, VALUES, plain

LAYOUTS = {
    "list": list,
    "array": np.array,
    "unaligned": lambda x: unaligned(np.array(x)),
    "strided": lambda x: strided(np.array(x)),
    "big_endian": lambda x: np.array(x, dtype=">f8"),
}

ENTRY_POINTS = {
    "match_stream": lambda t, v: QUERY.match_stream(TOKENS, t, v),
    "preprocess": lambda t, v: QUERY.match_preprocessed(QUERY.preprocess(TOKENS, t, v)),
    "state_spans": lambda t, v: tidemark.state_spans(TOKENS, t, MACHINE, v),
    "annotate_stream": lambda t, v: tidemark.annotate_stream(TOKENS, t, SPECS, v),
}


@pytest.mark.parametrize("layout", sorted(LAYOUTS))
@pytest.mark.parametrize("entry", sorted(ENTRY_POINTS))
def test_layouts_agree_with_lists(entry, layout):
    call = ENTRY_POINTS[entry]
    expected = repr(plain(call(list(TIMES), list(VALUES))))
    make = LAYOUTS[layout]
    assert repr(plain(call(make(TIMES), make(VALUES)))) == expected


def test_preprocessed_stream_keeps_its_own_copy():
    times = np.array(TIMES)
    stream = QUERY.preprocess(TOKENS, times)
    expected = repr(plain(QUERY.match_preprocessed(stream)))
    times[:] = 100.0
    assert repr(plain(QUERY.match_preprocessed(stream))) == expected


class Reshaping:
    """A value whose conversion changes the times array in place."""

    def __init__(self, times, change):
        self.times, self.change = times, change

    def __float__(self):
        self.change(self.times)
        return 1.0


CHANGES = {
    "grow": lambda a: a.resize(1000, refcheck=False),
    "shrink": lambda a: a.resize(2, refcheck=False),
    "reshape": lambda a: a.resize((len(TOKENS), 2), refcheck=False),
}


@pytest.mark.parametrize("change", sorted(CHANGES))
@pytest.mark.parametrize("entry", sorted(ENTRY_POINTS))
def test_times_changed_by_a_later_conversion(entry, change):
    times = np.array(TIMES)
    values = [Reshaping(times, CHANGES[change])] + VALUES[1:]
    try:
        out = ENTRY_POINTS[entry](times, values)
    except (TypeError, ValueError) as e:
        assert "times" in str(e)
    else:
        # Read as the array is once every argument is converted.
        assert repr(plain(out)) == repr(plain(ENTRY_POINTS[entry](np.array(times), [1.0] + VALUES[1:])))
