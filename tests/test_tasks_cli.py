"""The command line and dataset runs: one label file per shard equal to running the task
on that shard, on a saved corpus and on a local Dask cluster alike; the outputs of a
`tidemark:` section equal the corpus calls on each shard; bad input is one line and a
non-zero exit; an interrupted write leaves no file under the final name."""

import os

import numpy as np
import polars as pl
import pyarrow.parquet as pq
import pytest
import yaml
from polars.testing import assert_frame_equal
from task_gen import meds_frame

from tidemark_corpus import Corpus, atomic_write, cli, scale
from tidemark_corpus.tasks import Task

TASK = yaml.safe_load("""
predicates: {a: {code: A}, d: {code: {regex: "^D//"}}}
trigger: a
windows:
  input: {start: null, end: trigger, start_inclusive: true, end_inclusive: true, index_timestamp: end}
  target: {start: trigger, end: start + 24h, start_inclusive: false, end_inclusive: true, label: d}
""")

# Durations as plain numbers of hours, while the command line reads MEDS data in
# microseconds; codes B and E appear in no ACES predicate, so every row must be read.
CONSTRUCTS = yaml.safe_load("""
unit: h
patterns:
  a_then_d:
    elements:
      - add_event: {match_token: A}
      - add_event: {match_token: D//x, max_dt: 6}
state_machines:
  stay:
    steps:
      - add_state: {name: in, max_gap: 12}
      - add_entry: {state: in, trigger: A}
      - add_exit: {state: in, trigger: E}
labels:
  b_soon: {future_occurrence: {x: B, window_t: 3, partial_window: true}}
  stay_state: {state_label: {machine: stay}}
""")


@pytest.fixture
def dataset(tmp_path):
    """A MEDS dataset of three shards and the task file."""
    rng = np.random.default_rng(5)
    frame = meds_frame(rng, n_subjects=60)
    frame = frame.with_columns(shard=pl.col("subject_id") % 3)
    for k, part in enumerate(frame.partition_by("shard", include_key=False, maintain_order=True)):
        path = tmp_path / "meds" / "data" / ("train" if k < 2 else "held_out") / f"{k}.parquet"
        path.parent.mkdir(parents=True, exist_ok=True)
        part.write_parquet(path)
    task = tmp_path / "task.yaml"
    task.write_text(yaml.safe_dump(TASK))
    return tmp_path / "meds", task


def _labels(folder) -> pl.DataFrame:
    return pl.concat([pl.read_parquet(f) for f in sorted(folder.rglob("*.parquet"))]).sort(
        "subject_id", "prediction_time"
    )


def _direct(meds) -> pl.DataFrame:
    return Task.from_dict(TASK).run(Corpus.from_meds(meds, unit="us")).sort("subject_id", "prediction_time")


def test_run_writes_one_label_file_per_shard(dataset, tmp_path, capsys):
    meds, task = dataset
    assert cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "out")]) == 0
    written = sorted(str(p.relative_to(tmp_path / "out")) for p in (tmp_path / "out").rglob("*"))
    assert written == ["held_out", "held_out/2.parquet", "train", "train/0.parquet", "train/1.parquet"]
    assert pq.read_schema(tmp_path / "out" / "train" / "0.parquet").field("prediction_time").nullable is False
    assert _labels(tmp_path / "out").equals(_direct(meds))
    assert capsys.readouterr().err.endswith(f"labels written to {tmp_path / 'out'}\n")


def test_run_on_a_saved_corpus_in_slices(dataset, tmp_path):
    meds, task = dataset
    assert cli.main(["convert", str(meds), str(tmp_path / "corpus"), "--quiet"]) == 0
    assert scale.run_task(Task.from_yaml(task), tmp_path / "corpus", tmp_path / "out", slices=4) == len(_direct(meds))
    assert sorted(p.name for p in (tmp_path / "out").iterdir()) == [f"part-{k}.parquet" for k in range(4)]
    assert _labels(tmp_path / "out").equals(_direct(meds))


# Worker processes under the sanitizer run would each report the interpreter's own
# allocations at exit; the cluster run checks orchestration, not memory safety.
@pytest.mark.skipif(os.environ.get("TIDEMARK_HYPOTHESIS_PROFILE") == "sanitize", reason="no cluster under sanitizers")
def test_dask_cluster_of_two_processes_gives_the_same_files(dataset, tmp_path):
    pytest.importorskip("distributed")
    meds, task = dataset
    task.write_text(yaml.safe_dump({**TASK, "tidemark": CONSTRUCTS}))
    assert cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "one"), "--quiet"]) == 0
    assert (
        cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "two"), "--workers", "2", "--quiet"])
        == 0
    )
    files = list((tmp_path / "one").rglob("*.parquet"))
    assert len(files) == 3 * 4  # the labels and three construct outputs per shard
    for file in files:
        assert pl.read_parquet(file).equals(pl.read_parquet(tmp_path / "two" / file.relative_to(tmp_path / "one")))


@pytest.mark.parametrize(
    ("change", "message"),
    [
        (lambda t: t["windows"]["input"].update(size="1h"), "task.yaml: windows.input.size: unknown key"),
        (
            lambda t: t["windows"]["input"].pop("index_timestamp"),
            "task.yaml: windows: no window has an index_timestamp",
        ),
        (lambda t: t["predicates"]["a"].update(other_cols={"unit": "mg"}), "2.parquet: column(s) ['unit'] not found"),
        (
            lambda t: t.update(tidemark={"patterns": {"../up": {"elements": [{"add_event": {"match_token": "A"}}]}}}),
            "task.yaml: tidemark.patterns.../up: names an output folder",
        ),
    ],
)
def test_bad_input_is_one_line_and_exit_1(dataset, tmp_path, capsys, change, message):
    meds, task = dataset
    raw = yaml.safe_load(task.read_text())
    change(raw)
    task.write_text(yaml.safe_dump(raw))
    assert cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "out"), "--quiet"]) == 1
    err = capsys.readouterr().err
    assert err.startswith("tidemark-corpus: error: ") and message in err and err.count("\n") == 1


def test_missing_data_is_one_line(dataset, tmp_path, capsys):
    _, task = dataset
    assert cli.main(["run", str(task), "--data", str(tmp_path / "none"), "--out", str(tmp_path / "out")]) == 1
    assert capsys.readouterr().err == f"tidemark-corpus: error: MEDS dataset not found: {tmp_path / 'none'}\n"


def test_interrupted_write_leaves_no_label_file(dataset, tmp_path, monkeypatch):
    meds, task = dataset

    def fail(*args, **kwargs):
        raise KeyboardInterrupt

    monkeypatch.setattr(atomic_write.pq, "write_table", fail)
    assert cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "out"), "--quiet"]) == 130
    assert [p for p in (tmp_path / "out").rglob("*") if p.is_file()] == []


@pytest.mark.parametrize("aces", [True, False], ids=["with-aces", "tidemark-only"])
def test_run_writes_the_tidemark_outputs_of_each_shard(dataset, tmp_path, aces):
    meds, task = dataset
    raw = {**(TASK if aces else {}), "tidemark": CONSTRUCTS}
    task.write_text(yaml.safe_dump(raw))
    assert cli.main(["run", str(task), "--data", str(meds), "--out", str(tmp_path / "out"), "--quiet"]) == 0
    t = Task.from_dict(raw)
    shards = sorted((meds / "data").rglob("*.parquet"))
    for shard in shards:
        name = shard.relative_to(meds / "data")
        # The same data on an hour axis: the constructs are rebuilt for each corpus's unit.
        corpus = Corpus.from_meds(shard, unit="h")
        expected = {
            f"patterns/a_then_d/{name}": corpus.match(t.patterns(corpus)["a_then_d"]),
            f"labels/{name}": corpus.annotate(t.labels(corpus)),
            f"state_machines/stay/{name}": corpus.state_spans(t.state_machines(corpus)["stay"]),
        }
        for relative, frame in expected.items():
            assert_frame_equal(pl.read_parquet(tmp_path / "out" / relative), frame)
        assert (tmp_path / "out" / name).is_file() == aces
    assert sum(pl.read_parquet(f).height for f in (tmp_path / "out" / "patterns").rglob("*.parquet")) > 0
