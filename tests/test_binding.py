"""Argument binding and conversion messages, shared by every entry point."""

import numpy as np
import pytest
import tidemark
from entry_points import MACHINE, QUERY, SPECS
from matching import refuses
from tidemark import Pattern, TideQuery


class NotIterable:
    __iter__ = None

    def __getitem__(self, i):
        return "a"


def query():
    return TideQuery(Pattern())


V, SS, AS, SPEC = tidemark.vocab_ids, tidemark.state_spans, tidemark.annotate_stream, SPECS[0]
VEC = "Can't extract `str` to `Vec`"


def conv(arg, got, to):
    return f"argument '{arg}': '{got}' object cannot be converted to '{to}'"


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: V(), "vocab_ids() missing 1 required positional argument: 'tokens'"),
        (
            lambda: query().match_stream(),
            "TideQuery.match_stream() missing 2 required positional arguments: 'tokens' and 'times'",
        ),
        (
            lambda: query().match_batch(),
            "TideQuery.match_batch() missing 3 required positional arguments: 'token_ids', 'times', and 'offsets'",
        ),
        (
            lambda: query().match_stream(times=[]),
            "TideQuery.match_stream() missing 1 required positional argument: 'tokens'",
        ),
        (lambda: V([], tokenz=1), "vocab_ids() got an unexpected keyword argument 'tokenz'"),
        (lambda: V([], tokens=[]), "vocab_ids() got multiple values for argument 'tokens'"),
        (lambda: V([], []), "vocab_ids() takes 1 positional argument but 2 were given"),
        (
            lambda: Pattern(0, 1, 2, 3, True, "none", 6),
            "Pattern.__new__() takes from 0 to 6 positional arguments but 7 were given",
        ),
        (lambda: TideQuery(), "TideQuery.__new__() missing 1 required positional argument: 'pattern'"),
        (lambda: Pattern().add_event(), "Pattern.add_event() missing 1 required positional argument: 'match_token'"),
        (lambda: Pattern(1, min_dt=2), "Pattern.__new__() got multiple values for argument 'min_dt'"),
        # Conversions: each names the argument it failed on.
        (lambda: Pattern(min_dt="x"), "argument 'min_dt': must be real number, not str"),
        (lambda: Pattern(ordered=1), conv("ordered", "int", "PyBool")),
        (lambda: Pattern(ordered=np.int8(1)), conv("ordered", "int8", "PyBool")),
        (lambda: Pattern().add_event(3), conv("match_token", "int", "PyString")),
        (lambda: V("abc"), f"argument 'tokens': {VEC}"),
        (lambda: V(5), conv("tokens", "int", "Sequence")),
        (lambda: V(["a", 1]), conv("tokens", "int", "PyString")),
        (lambda: Pattern().add_event_set(NotIterable()), conv("match_tokens", "NotIterable", "Sequence")),
        (lambda: Pattern().add_event_seq(["a", "b"]), f"argument 'match_seqs': {VEC}"),
        (lambda: query().match_stream(["a"], ["x"]), "argument 'times': must be real number, not str"),
        (lambda: query().match_stream(["a"], [0], 3), conv("values", "int", "Sequence")),
        (lambda: Pattern().add_event_set(["a"], require_nan_vals=[1]), conv("require_nan_vals", "int", "PyBool")),
        (lambda: Pattern().add_event_seq([["a"]], min_vals=[1.0]), conv("min_vals", "float", "Sequence")),
        (lambda: TideQuery([]), conv("pattern", "list", "Pattern")),
        (lambda: query().match_preprocessed([]), conv("stream", "list", "PreprocessedStream")),
        (lambda: SS("x", [0.0], MACHINE), f"argument 'tokens': {VEC}"),
        (lambda: SS(["x"], [0.0], 3), conv("machine", "int", "StateMachine")),
        (lambda: SS(["x"], [0.0], MACHINE, None, 1), conv("include_invalid", "int", "PyBool")),
        (lambda: AS(["x"], [0.0], [SPEC, 1]), conv("specs", "int", "AnnotationSpec")),
        (lambda: AS(["x"], [0.0], SPEC), conv("specs", "AnnotationSpec", "Sequence")),
        (lambda: AS(["x"], [0.0], "f"), f"argument 'specs': {VEC}"),
        # annotate_stream converts in the order tokens, times, specs, values.
        (lambda: AS("x", [0.0], 1, 2), f"argument 'tokens': {VEC}"),
        (lambda: AS(["x"], [0.0], 1, 2), conv("specs", "int", "Sequence")),
        (lambda: AS(["x"], [0.0], [], 2), conv("values", "int", "Sequence")),
    ],
)
def test_binding_and_conversion_errors(call, message):
    refuses(TypeError, message, call)


STREAM_CALLS = {
    "match_stream": QUERY.match_stream,
    "preprocess": QUERY.preprocess,
    "state_spans": lambda tokens, times, values: SS(tokens, times, MACHINE, values),
    "annotate_stream": lambda tokens, times, values: AS(tokens, times, SPECS, values),
}


@pytest.mark.parametrize("entry", sorted(STREAM_CALLS))
@pytest.mark.parametrize(
    "times, values, message",
    [
        ([0, 1], None, "times has length 2 but tokens has length 3"),
        ([0, 1, 2], [1.0, 2.0], "values has length 2 but tokens has length 3"),
        ([0, 1], [1.0, 2.0], "times has length 2 but tokens has length 3"),
    ],
)
def test_stream_lengths_must_agree(entry, times, values, message):
    refuses(ValueError, message, STREAM_CALLS[entry], ["a", "b", "c"], times, values)


def _raise(e):
    raise e


Floaty = type("Floaty", (), {"__float__": lambda self: 2.5})
Indexy = type("Indexy", (), {"__index__": lambda self: 3})
Broken = type("Broken", (), {"__float__": lambda self: _raise(ValueError("no float here"))})


def test_scalars_accept_numbers_and_pass_other_errors_through():
    for value in (5, 2.5, np.float32(1.5), np.int64(7), Floaty(), Indexy(), True):
        Pattern(max_dt=value)
    assert "ordered=false" in repr(Pattern(ordered=np.bool_(False)))
    refuses(ValueError, "no float here", Pattern, max_dt=Broken())
    with pytest.raises(OverflowError):
        Pattern(max_dt=10**400)


def test_string_lists_accept_any_sequence_of_str():
    class Str(str):
        pass

    ids = V(("p", "q"))
    assert V(np.array(["p", "q"])) == ids == V([Str("p"), "q"])


def test_shrinking_list_during_conversion_is_safe():
    values = [1.0, 2.0, 3.0]

    class Shrinker:
        def __float__(self):
            values.clear()
            return 0.0

    values.insert(1, Shrinker())
    Pattern().add_event_set(["a", "b"], min_vals=values)


def test_builder_float_lists_read_byte_swapped_arrays():
    # Stream times and values in every layout: test_stream_columns.
    p = Pattern()
    p.add_event_set(["a"], min_vals=np.array([1.0], dtype=">f8"))
    assert TideQuery(p).match_stream(["a", "a"], [0, 1], [0.5, 1.5])["m_start"].tolist() == [1]
