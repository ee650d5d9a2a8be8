"""Small helpers shared by the matching tests."""
import uuid

import tidemark
from tidemark import TideQuery


def match(pattern, tokens, times=None, values=None, **kwargs):
    """match_stream with times 0, 1, 2, ... unless given."""
    if times is None:
        times = range(len(tokens))
    return TideQuery(pattern).match_stream(list(tokens), [float(t) for t in times], values, **kwargs)


def slots(pattern, tokens, times=None, values=None):
    """The element positions of every match, one tuple per match."""
    return [tuple(r) for r in match(pattern, tokens, times, values)["el_stream_idx"].tolist()]


def fresh_token():
    return "tok-" + uuid.uuid4().hex


def strings_held():
    """How many strings the interner holds, counting the fresh probe string
    this call interns (ids are dense: a new string's id is the count before)."""
    return tidemark.vocab_ids([fresh_token()])[0] + 1
