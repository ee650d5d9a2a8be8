"""Argument binding and conversion messages, shared by every entry point."""
import numpy as np
import pytest

import tidemark
from tidemark import Pattern, TideQuery


def raises_type(fn, message):
    with pytest.raises(TypeError) as info:
        fn()
    assert str(info.value) == message


@pytest.mark.parametrize("call, message", [
    (lambda: tidemark.vocab_ids(), "vocab_ids() missing 1 required positional argument: 'tokens'"),
    (lambda: TideQuery(Pattern()).match_stream(), "TideQuery.match_stream() missing 2 required positional arguments: 'tokens' and 'times'"),
    (lambda: TideQuery(Pattern()).match_batch(), "TideQuery.match_batch() missing 3 required positional arguments: 'token_ids', 'times', and 'offsets'"),
    (lambda: TideQuery(Pattern()).match_stream(times=[]), "TideQuery.match_stream() missing 1 required positional argument: 'tokens'"),
    (lambda: tidemark.vocab_ids([], tokenz=1), "vocab_ids() got an unexpected keyword argument 'tokenz'"),
    (lambda: tidemark.vocab_ids([], tokens=[]), "vocab_ids() got multiple values for argument 'tokens'"),
    (lambda: tidemark.vocab_ids([], []), "vocab_ids() takes 1 positional argument but 2 were given"),
    (lambda: Pattern(0, 1, 2, 3, True, "none", 6), "Pattern.__new__() takes from 0 to 6 positional arguments but 7 were given"),
    (lambda: TideQuery(), "TideQuery.__new__() missing 1 required positional argument: 'pattern'"),
    (lambda: Pattern().add_event(), "Pattern.add_event() missing 1 required positional argument: 'match_token'"),
    (lambda: Pattern().add_event("a", None, 0, 1, 2, 3, True, 1, 2, False, 1, 2, False, 9),
     "Pattern.add_event() takes from 1 to 13 positional arguments but 14 were given"),
    (lambda: Pattern(1, min_dt=2), "Pattern.__new__() got multiple values for argument 'min_dt'"),
])
def test_binding_errors(call, message):
    raises_type(call, message)


@pytest.mark.parametrize("kwargs, message", [
    ({"min_dt": "x"}, "argument 'min_dt': must be real number, not str"),
    ({"max_dt": None}, "argument 'max_dt': must be real number, not NoneType"),
    ({"ordered": 1}, "argument 'ordered': 'int' object cannot be converted to 'PyBool'"),
    ({"collector": 3}, "argument 'collector': 'int' object cannot be converted to 'PyString'"),
])
def test_scalar_conversion_messages(kwargs, message):
    raises_type(lambda: Pattern(**kwargs), message)


class Floaty:
    def __float__(self):
        return 2.5


class Indexy:
    def __index__(self):
        return 3


class Broken:
    def __float__(self):
        raise ValueError("no float here")


def test_float_accepts_numbers_and_passes_other_errors_through():
    for value in (5, 2.5, np.float32(1.5), np.int64(7), Floaty(), Indexy(), True):
        Pattern(max_dt=value)
    with pytest.raises(ValueError, match="^no float here$"):
        Pattern(max_dt=Broken())
    with pytest.raises(OverflowError):
        Pattern(max_dt=10**400)


def test_bool_accepts_numpy_bool_only_besides_bool():
    assert "ordered=false" in repr(Pattern(ordered=np.bool_(False)))
    raises_type(lambda: Pattern(ordered=np.int8(1)), "argument 'ordered': 'int8' object cannot be converted to 'PyBool'")


@pytest.mark.parametrize("tokens, message", [
    ("abc", "argument 'tokens': Can't extract `str` to `Vec`"),
    (5, "argument 'tokens': 'int' object cannot be converted to 'Sequence'"),
    ({"a": 1}, "argument 'tokens': 'dict' object cannot be converted to 'Sequence'"),
    (["a", 1], "argument 'tokens': 'int' object cannot be converted to 'PyString'"),
])
def test_string_list_messages(tokens, message):
    raises_type(lambda: tidemark.vocab_ids(tokens), message)


def test_string_lists_accept_any_sequence_of_str():
    class Str(str):
        pass

    ids = tidemark.vocab_ids(("p", "q"))
    assert tidemark.vocab_ids(np.array(["p", "q"])) == ids
    assert tidemark.vocab_ids([Str("p"), "q"]) == ids


def test_float_list_items_are_prefixed():
    raises_type(lambda: Pattern().add_event_set(["a"], min_vals=[None]),
                "argument 'min_vals': must be real number, not NoneType")
    raises_type(lambda: Pattern().add_event_set(["a"], require_nan_vals=[1]),
                "argument 'require_nan_vals': 'int' object cannot be converted to 'PyBool'")


def test_shrinking_list_during_conversion_is_safe():
    values = [1.0, 2.0, 3.0]

    class Shrinker:
        def __float__(self):
            values.clear()
            return 0.0

    values.insert(1, Shrinker())
    p = Pattern()
    p.add_event_set(["a", "b"], min_vals=values)


def test_float_lists_read_byte_swapped_arrays():
    p = Pattern()
    p.add_event_set(["a"], min_vals=np.array([1.0], dtype=">f8"))
    swapped = np.array([0.0, 1.0], dtype=">f8")
    r = TideQuery(p).match_stream(["a", "a"], swapped, np.array([0.5, 1.5], dtype=">f8"))
    assert r["m_start"].tolist() == [1]
    assert r["t_start"].tolist() == [1.0]
