"""Reading, coding and querying a corpus stay clear of modules whose import costs more
than the work: pandas (most of a second; Arrow imports it for many of its conversions)
Arrow's compute module (its import builds the docs of every function) and, without a
progress bar, tqdm."""

import subprocess
import sys

import pytest
from meds_data import write_shards

from tidemark_corpus import Corpus

ROWS = [(1, 0, "ADMIT", None), (1, None, "SEX//F", None), (2, 60_000_000, "LAB_LACTATE", 4.5), (1, 5, "ADMIT", 1.0)]

SCRIPT = """
import sys
from tidemark import AnnotationSpec, Pattern
from tidemark_corpus import Corpus
root, step = sys.argv[1], sys.argv[2]
if step == "saved":
    corpus = Corpus.open(root)
else:
    corpus = Corpus.from_meds(root, codes=["ADMIT"] if step == "kept rows" else None)
p = Pattern()
p.add_event("ADMIT")
corpus.match(p), corpus.count(p), corpus.annotate([AnnotationSpec.future_occurrence("a", "ADMIT", 1.0)])
costly = ["pandas", "tqdm", "pyarrow.compute"]
print(*sorted(m for m in costly if m in sys.modules))
"""


@pytest.mark.parametrize("step", ["every row", "kept rows", "saved"])
def test_reading_and_querying_import_nothing_costly(tmp_path, step):
    pytest.importorskip("pandas")
    root = write_shards(tmp_path / "meds", ROWS, [2])
    if step == "saved":
        Corpus.from_meds(root).save(tmp_path / "saved")
        root = tmp_path / "saved"
    done = subprocess.run([sys.executable, "-c", SCRIPT, str(root), step], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == []
