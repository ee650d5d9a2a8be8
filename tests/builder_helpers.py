"""Helpers of the builder tests: the element positions of matches, and a
probe of how many strings the interner holds."""
import uuid

import tidemark
from matching import run


def slots(pattern, tokens, times=None, values=None):
    """The element positions of every match, one tuple per match."""
    return [tuple(r) for r in run(pattern, tokens, times, values)["el_stream_idx"].tolist()]


def fresh_token():
    return "tok-" + uuid.uuid4().hex


def strings_held():
    """How many strings the interner holds, counting the fresh probe string
    this call interns (ids are dense: a new string's id is the count before)."""
    return tidemark.vocab_ids([fresh_token()])[0] + 1
