"""The sanitizer run's leak check sees what a module loses when Python calls
it: a planted leak fails a child interpreter started with the run's own
settings, and the same child passes when it does not call the leak."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

HELPER = os.environ.get("TIDEMARK_PLANTED_LEAK")

pytestmark = pytest.mark.skipif(not HELPER, reason="runs in the sanitizer run, which builds the planted leak")


def child(code):
    script = f"import sys; sys.path.insert(0, {str(Path(HELPER).parent)!r}); import planted_leak, tidemark; {code}"
    return subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=300)


def test_planted_leak_is_reported():
    r = child("planted_leak.leak()")
    assert r.returncode != 0
    assert "LeakSanitizer" in r.stderr
    assert "12345 byte(s)" in r.stderr


def test_module_use_without_the_leak_passes():
    r = child("tidemark.vocab_ids(['a', 'b']); tidemark.TideQuery(tidemark.Pattern()).match_stream(['a'], [0.0])")
    assert r.returncode == 0, r.stderr
