"""Pickled and copied objects compute exactly what the originals compute, in
this process and in a spawned one whose token ids differ."""

import copy
import multiprocessing
import pickle
import random

import pytest
import tidemark
from matching import refuses
from pickle_cases import behaviour, behaviours, cases, intern_other_tokens, machine, patterns

CASES = cases()
CORRUPT = "corrupt pickled tidemark object"


def fixed_streams(n=25, seed=0):
    rng = random.Random(seed)
    out = []
    for _ in range(n):
        k = rng.randrange(0, 14)
        tokens = [rng.choice("abcx") for _ in range(k)]
        times, t = [], 0.0
        for _ in range(k):
            t += rng.choice([0.0, 0.0, 0.5, 1.0, 2.0])
            times.append(t)
        values = [rng.choice([float("nan"), -1.0, 0.5, 3.0, 6.0]) for _ in range(k)]
        out.append((tokens, times, values))
    return out


STREAMS = fixed_streams(60)


@pytest.mark.parametrize("name", list(CASES))
def test_pickled_and_copied_objects_compute_the_same(name):
    obj = CASES[name]
    want = [behaviour(obj, *s) for s in STREAMS]
    copies = [pickle.loads(pickle.dumps(obj, protocol)) for protocol in (2, pickle.HIGHEST_PROTOCOL)]
    for other in copies + [copy.copy(obj), copy.deepcopy(obj)]:
        assert [behaviour(other, *s) for s in STREAMS] == want
        assert other.__reduce__() == obj.__reduce__()


def test_a_spawned_process_with_other_ids_computes_the_same():
    with multiprocessing.get_context("spawn").Pool(1, initializer=intern_other_tokens) as pool:
        there = pool.apply(behaviours, (CASES, STREAMS))
    assert there == behaviours(CASES, STREAMS)


@pytest.mark.parametrize("make", [lambda o: copy.copy(o), lambda o: pickle.loads(pickle.dumps(o))])
def test_builder_copies_are_independent(make):
    p = patterns()["event"]
    q = make(p)
    q.add_event("c")
    assert repr(p).startswith("Pattern(n_elements=2") and repr(q).startswith("Pattern(n_elements=3")
    m = machine()
    n = make(m)
    n.add_state("s4")
    assert m.state_names == ["base", "s1", "s2", "s3"] and n.state_names[-1] == "s4"


@pytest.mark.parametrize("name", ["TideQuery:event", "AnnotationSpec:in_span", "StateSpan"])
def test_frozen_objects_are_their_own_copies(name):
    assert copy.copy(CASES[name]) is CASES[name] and copy.deepcopy(CASES[name]) is CASES[name]


@pytest.mark.parametrize(
    "name", ["AnnotationSpec:span_aggregate", "Pattern:event_set", "Pattern:event_seq", "Pattern:mapped"]
)
def test_every_truncation_is_refused(name):
    _, (kind, data, texts) = CASES[name].__reduce__()
    for cut in range(len(data)):
        refuses(ValueError, CORRUPT, tidemark._restore, kind, data[:cut], texts)


@pytest.mark.parametrize(
    "change, exc, message",
    [
        (lambda k, d, t: (k, d + b"\x00", t), ValueError, CORRUPT),  # a byte too many
        (lambda k, d, t: (k, d, ()), ValueError, CORRUPT),  # token indices past the texts
        (lambda k, d, t: (k, b"\x09" + d[1:], t), ValueError, CORRUPT),  # another format
        (lambda k, d, t: ("StateSpan", d, t), ValueError, CORRUPT),  # the bytes of another class
        (lambda k, d, t: ("Corpus", d, t), ValueError, "cannot restore a tidemark object of kind 'Corpus'"),
        (lambda k, d, t: (k, "text", t), TypeError, "argument 'data': expected bytes, str found"),
    ],
)
def test_malformed_pickled_forms_are_refused(change, exc, message):
    _, args = CASES["Pattern:mapped"].__reduce__()
    refuses(exc, message, tidemark._restore, *change(*args))
