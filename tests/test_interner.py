import subprocess
import sys

import pytest
import tidemark
from matching import fresh_token, strings_held


def run_fresh(code):
    out = subprocess.run([sys.executable, "-c", "import tidemark\n" + code], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    return out.stdout.strip()


def test_ids_are_dense_in_order_of_first_sight_in_a_fresh_process():
    code = """
print(tidemark.vocab_ids(["a", "b", "a"]), tidemark.vocab_ids(["b", "c"]))
p = tidemark.Pattern(); p.add_event("c")
r = tidemark.TideQuery(p).match_stream(["zz", "c"], [0.0, 1.0])
print(r["m_start"].tolist(), tidemark.vocab_ids(["zz", "", "a"]))
"""
    assert run_fresh(code).splitlines() == ["[0, 1, 0] [1, 2]", "[1] [3, 4, 0]"]


def test_ids_are_stable_and_shared():
    first = tidemark.vocab_ids(["interner-x", "interner-y", "interner-x"])
    assert first[0] == first[2] != first[1]
    assert tidemark.vocab_ids(["interner-y", "interner-x"]) == [first[1], first[0]]
    assert tidemark.vocab_ids([]) == []
    assert len(set(tidemark.vocab_ids(["Ab", "ab", "é", "e\u0301"]))) == 4  # compared byte for byte


def test_surrogates_are_refused_without_interning():
    before = strings_held()
    with pytest.raises(UnicodeEncodeError):
        tidemark.vocab_ids([fresh_token(), "\ud800"])
    assert strings_held() == before + 1


def test_many_distinct_texts_keep_their_ids_as_the_table_grows():
    texts = [f"grow-{i}" for i in range(40_000)] + ["grow-", "grow"]
    ids = tidemark.vocab_ids(texts)
    assert ids == list(range(ids[0], ids[0] + len(texts)))
    assert tidemark.vocab_ids(texts[::-1]) == ids[::-1]
