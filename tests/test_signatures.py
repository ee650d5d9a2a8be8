"""Every callable's text signature names exactly the parameters its binder accepts, in order.

The binder is probed, not read: passing the first i + 1 arguments by position
together with parameter i by keyword must fail with "got multiple values for
argument" naming that parameter, which binding reports before any argument is
converted; one positional argument more than the signature has, or an unknown
keyword, must be refused.
"""

import inspect

import pytest
import tidemark
from tidemark import Pattern, StateMachine, TideQuery


def instances():
    pattern = Pattern()
    pattern.add_event("a")
    return {Pattern: pattern, TideQuery: TideQuery(pattern), StateMachine: StateMachine()}


def callables():
    """(label, callable, text signature) for every function and method with a text signature."""
    found = []
    for name in tidemark.__all__:
        obj = getattr(tidemark, name)
        if isinstance(obj, type):
            if obj.__text_signature__ is not None:
                found.append((name, name, obj.__text_signature__))
            for attr in vars(obj):
                member = getattr(obj, attr)
                if not attr.startswith("_") and getattr(member, "__text_signature__", None):
                    found.append((f"{name}.{attr}", (name, attr), member.__text_signature__))
        elif callable(obj):
            found.append((name, name, obj.__text_signature__))
    return found


def resolve(target):
    if isinstance(target, str):
        return getattr(tidemark, target)
    cls = getattr(tidemark, target[0])
    owner = instances().get(cls, cls)
    return getattr(owner, target[1])


def parameter_names(text_signature):
    names = list(inspect.Signature.from_callable(_with_signature(text_signature)).parameters)
    return names[1:] if names and names[0] in ("self", "$self") else names


def _with_signature(text_signature):
    def holder():
        pass

    holder.__text_signature__ = text_signature
    return holder


CALLABLES = callables()


def test_walk_reaches_every_entry_point():
    assert len(CALLABLES) == 33


@pytest.mark.parametrize("label, target, text_signature", CALLABLES, ids=[c[0] for c in CALLABLES])
def test_text_signature_matches_binder(label, target, text_signature):
    names = parameter_names(text_signature)
    sentinel = object()
    for i, name in enumerate(names):
        with pytest.raises(TypeError, match=rf"got multiple values for argument '{name}'$"):
            resolve(target)(*[sentinel] * (i + 1), **{name: sentinel})
    with pytest.raises(TypeError, match=r"positional argument"):
        resolve(target)(*[sentinel] * (len(names) + 1))
    with pytest.raises(TypeError, match=r"got an unexpected keyword argument 'not_a_parameter'$"):
        resolve(target)(not_a_parameter=sentinel)
