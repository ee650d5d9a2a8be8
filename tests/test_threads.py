"""Two threads sharing queries, machines, specs and the token interner, and a
signal handler that calls back into the module, get the results a single
thread gets."""

import signal
import threading

import tidemark
from entry_points import CALLS, plain

EXPECTED = {name: repr(plain(call())) for name, call in CALLS.items()}  # repr: NaN equals NaN
ROUNDS = 30


def run_all(errors, tag):
    try:
        for r in range(ROUNDS):
            # New tokens on each round and thread: the interner grows under both threads.
            ids = tidemark.vocab_ids([f"{tag}-{r}-{i}" for i in range(50)])
            assert len(set(ids)) == 50
            for name, call in CALLS.items():
                assert repr(plain(call())) == EXPECTED[name], name
    except BaseException as e:  # reported by the main thread
        errors.append(e)


def test_two_threads_share_objects_and_the_interner():
    errors = []
    threads = [threading.Thread(target=run_all, args=(errors, tag)) for tag in "ab"]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors, errors[0]


def test_signal_handler_calls_back_into_the_module():
    seen = []

    def handler(signum, frame):
        seen.append(repr(plain(CALLS["match_stream_general"]())) == EXPECTED["match_stream_general"])

    previous = signal.signal(signal.SIGALRM, handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.001, 0.001)
        errors = []
        run_all(errors, "main")
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert not errors, errors[0]
    assert seen and all(seen)
