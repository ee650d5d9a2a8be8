"""Arguments that misbehave: wrong types, dunders that raise, a dunder that
calls back into the module, huge and non-finite numbers."""

import tidemark


class Boom(Exception):
    """Raised by the hostile dunders below."""


class RaisingFloat:
    def __float__(self):
        raise Boom("__float__")


class RaisingIndex:
    def __index__(self):
        raise Boom("__index__")


class RaisingLen:
    def __len__(self):
        raise Boom("__len__")

    def __getitem__(self, i):
        return "A"


class RaisingIter(list):
    def __iter__(self):
        raise Boom("__iter__")


class Reentrant:
    """A number whose conversion runs a whole match first."""

    def __float__(self):
        p = tidemark.Pattern()
        p.add_event("A")
        tidemark.TideQuery(p).match_stream(["A", "B"], [0.0, 1.0])
        tidemark.vocab_ids(["reentrant"])
        return 1.0

    def __index__(self):
        self.__float__()
        return 1


HOSTILE = [
    None,
    "x",
    b"A",
    [],
    {},
    object(),
    10**100,
    -(10**100),
    -1,
    float("nan"),
    float("inf"),
    -float("inf"),
    ["A", 1],
    [["A"], 2],
    RaisingFloat(),
    RaisingIndex(),
    RaisingLen(),
    RaisingIter(["A"]),
    Reentrant(),
]
