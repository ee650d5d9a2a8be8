"""The `tidemark-corpus` command: `convert` a MEDS dataset to a saved corpus, `run` a task
file over a dataset into MEDS label files. Errors are one line on standard error and a
non-zero exit status."""

import argparse
import contextlib
import sys
from collections.abc import Iterator, Sequence
from typing import Any

import pyarrow as pa

from .corpus import Corpus
from .scale import local_client, run_task
from .tasks import Task, TaskFileError

# Errors that describe bad input (files, data, arguments) rather than a fault here.
_INPUT_ERRORS = (TaskFileError, OSError, ValueError, KeyError, TypeError, pa.ArrowException)


_RUN_LAYOUT = """\
Runs a task file over every shard of a MEDS dataset (or slice of a saved corpus).
Under OUT, for each shard SHARD (its path under the dataset's data/ folder):
  SHARD                          the task's MEDS labels (its ACES part)
  patterns/NAME/SHARD            the matches of each pattern of its tidemark: section
  labels/SHARD                   its tidemark: label columns, one row per event
  state_machines/NAME/SHARD      the state spans of each of its state machines
Each file is written under a temporary name and renamed once complete."""


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="tidemark-corpus", description=__doc__.split("\n")[0])
    commands = parser.add_subparsers(dest="command", required=True)
    convert = commands.add_parser("convert", help="read a MEDS dataset and save it as a corpus")
    convert.add_argument("meds_dir", help="MEDS dataset folder (data/**/*.parquet)")
    convert.add_argument("corpus_dir", help="folder to write; must not exist")
    run = commands.add_parser(
        "run",
        help="run a task file, writing one MEDS label file per shard",
        description=_RUN_LAYOUT,
        formatter_class=argparse.RawDescriptionHelpFormatter,
    )
    run.add_argument("task", help="task configuration file (YAML)")
    run.add_argument("--data", required=True, help="MEDS dataset folder or saved corpus folder")
    run.add_argument("--out", required=True, help="folder for the output files (layout above)")
    where = run.add_mutually_exclusive_group()
    where.add_argument("--workers", type=int, help="run on a local Dask cluster of this many processes")
    where.add_argument("--scheduler", help="run on the Dask cluster at this scheduler address")
    for sub in (convert, run):
        sub.add_argument("--quiet", action="store_true", help="no progress bar")
    return parser


@contextlib.contextmanager
def _client(workers: int | None, scheduler: str | None) -> Iterator[Any]:
    """A Dask client on a local cluster of `workers` processes or at `scheduler`, or None."""
    if workers is None and scheduler is None:
        yield None
        return
    try:
        from distributed import Client
    except ImportError:
        raise ValueError("--workers and --scheduler need Dask: pip install 'tidemark[dask]'") from None
    if scheduler is not None:
        with Client(scheduler) as client:
            yield client
        return
    if workers is None or workers < 1:
        raise ValueError(f"--workers: expected a positive number, got {workers}")
    with local_client(workers) as client:
        yield client


def main(argv: Sequence[str] | None = None) -> int:
    args = _parser().parse_args(argv)
    progress = not args.quiet and sys.stderr.isatty()
    try:
        if args.command == "convert":
            Corpus.from_meds(args.meds_dir, unit="us", progress=progress).save(args.corpus_dir)
            return 0
        task = Task.from_yaml(args.task)
        with _client(args.workers, args.scheduler) as client:
            rows = run_task(task, args.data, args.out, client=client, progress=progress)
        if not args.quiet:
            what = f"{rows} labels" if task.config is not None else "tidemark: outputs"
            print(f"{what} written to {args.out}", file=sys.stderr)
        return 0
    except _INPUT_ERRORS as exc:
        message = exc.args[0] if isinstance(exc, KeyError) and exc.args else exc
        print(f"tidemark-corpus: error: {message}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("tidemark-corpus: interrupted", file=sys.stderr)
        return 130


if __name__ == "__main__":
    sys.exit(main())
