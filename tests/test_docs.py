"""Every code block of the user guide runs, page by page, and prints what the page shows.

The ```python blocks of one page run in order in one namespace, and its ```sh
blocks in bash, all in one temporary working folder, with this interpreter's
scripts first on PATH. A ```text block right after a code block is that
block's printed output and must match it. A block right after a comment
`<!-- file: NAME -->` (a task file, say) is written to NAME when its turn
comes. ```console blocks (installation) are shown, not run. A page with a comment `<!-- requires: NAME, ... -->` is
skipped when one of the named modules or attributes (dotted, such as
`matplotlib` or `tidemark_corpus.Task`) cannot be imported; everything else
always runs.
"""

import contextlib
import importlib
import io
import os
import re
import subprocess
import sys
from pathlib import Path
from typing import NamedTuple

import pytest

DOCS = Path(__file__).resolve().parent.parent / "docs"
FENCE = re.compile(r"^```(\w*)[^\n]*\n(.*?)^```[ \t]*$", re.MULTILINE | re.DOTALL)
REQUIRES = re.compile(r"<!--\s*requires:\s*(.*?)\s*-->")
FILE = re.compile(r"<!--\s*file:\s*(\S+)\s*-->\s*$")
RUN = ("python", "sh")


class Block(NamedTuple):
    lang: str  # "python", "sh", or "file" for a block written to `file`
    line: int  # line number of its first line in the page
    code: str
    expected: str | None = None  # the printed output the page shows
    file: str | None = None


def blocks(text):
    """The blocks of a page that run or are written, in order."""
    fences = list(FENCE.finditer(text))
    out = []
    for i, m in enumerate(fences):
        line, code = text.count("\n", 0, m.start(2)) + 1, m.group(2)
        target = FILE.search(text, 0, m.start())  # a comment with only blanks up to the fence
        if target:
            out.append(Block("file", line, code, file=target.group(1)))
        elif m.group(1) in RUN:
            nxt = fences[i + 1] if i + 1 < len(fences) else None
            adjacent = nxt and nxt.group(1) == "text" and not text[m.end() : nxt.start()].strip()
            out.append(Block(m.group(1), line, code, nxt.group(2) if adjacent else None))
    return out


def run_python(page, line, code, namespace):
    """Run a block so that tracebacks point into the page; its printed output."""
    printed = io.StringIO()
    with contextlib.redirect_stdout(printed):
        exec(compile("\n" * (line - 1) + code, str(page), "exec"), namespace)
    return printed.getvalue()


def run_sh(page, line, code, namespace):
    env = {**os.environ, "PATH": f"{Path(sys.executable).parent}{os.pathsep}{os.environ.get('PATH', '')}"}
    if "ASAN_OPTIONS" in env:
        # In the sanitizer run, LeakSanitizer's exit-time scan can crash in a child that has started
        # polars' thread pool; leaks are checked in the test process itself.
        env["ASAN_OPTIONS"] += ":detect_leaks=0"
    done = subprocess.run(["bash", "-e", "-c", code], capture_output=True, text=True, env=env)
    assert done.returncode == 0, f"{page.name}:{line} exited {done.returncode}: {done.stderr}"
    return done.stdout


def importable(name):
    """Whether a dotted name (a module, or attributes of one) exists. A module that is there
    but fails to import is an error, not a missing extra."""
    parts = name.split(".")
    for cut in range(len(parts), 0, -1):
        module = ".".join(parts[:cut])
        try:
            obj = importlib.import_module(module)
        except ModuleNotFoundError as missing:
            if missing.name is None or not f"{module}.".startswith(f"{missing.name}."):
                raise
            continue
        for attr in parts[cut:]:
            if not hasattr(obj, attr):
                return False
            obj = getattr(obj, attr)
        return True
    return False


SAMPLE = """Intro.

```console
$ pip install tidemark
```

```python
print(1)
```

```text
1
```

```sh
echo 2
```

Prose between a block and a text block.

```text
not an output
```

<!-- file: task.yaml -->
```yaml
trigger: admission
```
"""


def test_blocks_fold_in_outputs_and_files_right_after_their_markers():
    assert blocks(SAMPLE) == [
        Block("python", 8, "print(1)\n", "1\n"),
        Block("sh", 16, "echo 2\n"),
        Block("file", 27, "trigger: admission\n", file="task.yaml"),
    ]


def test_every_page_has_code():
    pages = sorted(DOCS.glob("*.md"))
    assert pages
    assert [p.name for p in pages if p.name != "README.md" and not blocks(p.read_text())] == []


@pytest.mark.parametrize("page", sorted(DOCS.glob("*.md")), ids=lambda p: p.name)
def test_page_runs(page, tmp_path, monkeypatch):
    text = page.read_text()
    required = REQUIRES.search(text)
    for name in required.group(1).split(",") if required else []:
        if not importable(name.strip()):
            pytest.skip(f"{page.name} needs {name.strip()}")
    monkeypatch.chdir(tmp_path)
    namespace = {"__name__": f"docs_{page.stem}"}
    for block in blocks(text):
        if block.lang == "file":
            Path(block.file).write_text(block.code)
            continue
        printed = {"python": run_python, "sh": run_sh}[block.lang](page, block.line, block.code, namespace)
        if block.expected is not None:
            assert printed.rstrip() == block.expected.rstrip(), f"output of the block at {page.name}:{block.line}"
