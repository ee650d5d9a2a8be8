"""Runs ACES (the oracle) on a list of jobs; executed by the oracle's own interpreter.

Reads a JSON list of {"config": task YAML path, "data": MEDS Parquet file, "out": Parquet
path} from the file named on the command line and writes, per job, ACES's rows as
`subject_id`, `trigger`, `index_timestamp` and `label` (when the task has them) and, for
each window, `<window>.start` and `<window>.end`; a job whose query fails writes the
error text to `<out>.error` instead.
"""

import json
import logging
import sys
from pathlib import Path

import polars as pl
from aces import config, predicates, query
from omegaconf import DictConfig


def run(job: dict) -> None:
    cfg = config.TaskExtractorConfig.load(config_path=job["config"])
    data = DictConfig({"path": job["data"], "standard": "meds"})
    result = query.query(cfg=cfg, predicates_df=predicates.get_predicates_df(cfg=cfg, data_config=data))
    if result.is_empty():
        pl.DataFrame().write_parquet(job["out"])
        return
    columns = [c for c in ("subject_id", "trigger", "index_timestamp", "label") if c in result.columns]
    frame = result.select(columns)
    for name, window in cfg.windows.items():
        # A window's summary runs from its root boundary to the other one, in either
        # order depending on how the boundary is defined: the earlier time is the start.
        summary = result[f"{name}.{'end' if window.root_node == 'start' else 'start'}_summary"]
        first, last = summary.struct.field("timestamp_at_start"), summary.struct.field("timestamp_at_end")
        frame = frame.with_columns(
            pl.min_horizontal(first, last).alias(f"{name}.start"),
            pl.max_horizontal(first, last).alias(f"{name}.end"),
        )
    frame.write_parquet(job["out"])


def main() -> None:
    logging.disable(logging.WARNING)
    for job in json.loads(Path(sys.argv[1]).read_text()):
        try:
            run(job)
        except Exception as exc:  # the caller compares failures too
            Path(job["out"] + ".error").write_text(f"{type(exc).__name__}: {exc}")


if __name__ == "__main__":
    main()
