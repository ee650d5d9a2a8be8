"""`Task`: a task configuration file, read once and run over corpora."""

from pathlib import Path
from typing import TYPE_CHECKING, Any

import numpy as np
import polars as pl
import tidemark
import yaml

from .config import TaskConfig, parse_task
from .constructs import Constructs, parse_constructs
from .errors import TaskFileError
from .evaluate import realize

if TYPE_CHECKING:
    from ..corpus import Corpus

_LABEL_COLUMNS = ("subject_id", "prediction_time", "boolean_value", "integer_value", "float_value", "categorical_value")


def _nulls(n: int, dtype: pl.DataType | type[pl.DataType]) -> pl.Series:
    """A column of n nulls, made without a Python object per row."""
    return pl.repeat(None, n, dtype=dtype, eager=True)


class Task:
    """A prediction task: predicates over codes and values, a trigger and a tree of windows.

    `Task.from_yaml(path)` (or `from_string`, `from_dict`) reads a task configuration;
    `task.run(corpus)` gives one row per trigger whose windows are all realized and meet
    their constraints, in the MEDS label schema. A `tidemark:` section names patterns,
    state machines and label columns in their plain form (`tidemark_corpus.plain`),
    checked when the file is read and built for a corpus by `task.patterns(corpus)`,
    `task.state_machines(corpus)` and `task.labels(corpus)`. A file may hold only a
    `tidemark:` section; it then has no `config` (None) and nothing to `run`.
    """

    def __init__(self, config: TaskConfig | None, raw: dict[str, Any], source: str | None = None) -> None:
        self.config = config
        self.source = config.source if config is not None else source or "<dict>"
        self._raw = raw
        self._written = parse_constructs(raw.get("tidemark"), self.source)
        self._built = {self._written.unit: self._written}

    @classmethod
    def from_dict(cls, raw: dict[str, Any], source: str = "<dict>") -> "Task":
        return cls(parse_task(raw, source), raw, source)

    @classmethod
    def from_string(cls, text: str, source: str = "<string>") -> "Task":
        try:
            raw = yaml.safe_load(text)
        except yaml.YAMLError as exc:
            raise TaskFileError(source, "(yaml)", str(exc).replace("\n", " ")) from None
        return cls.from_dict(raw, source)

    @classmethod
    def from_yaml(cls, path: str | Path) -> "Task":
        path = Path(path)
        try:
            text = path.read_text()
        except OSError as exc:
            raise TaskFileError(str(path), "(file)", exc.strerror or str(exc)) from None
        return cls.from_string(text, str(path))

    def to_dict(self) -> dict[str, Any]:
        """The configuration as read (plain data: it pickles and travels to workers)."""
        return self._raw

    def __reduce__(self) -> tuple[Any, tuple[dict[str, Any], str]]:
        return (Task.from_dict, (self._raw, self.source))

    def _constructs(self, on: "Corpus | str") -> Constructs:
        """The `tidemark:` section built with durations in the unit of `on` (a corpus or a
        unit). The section's numbers are read in its own unit and converted, so the
        constructs mean the same on a corpus in any unit."""
        unit = on if isinstance(on, str) else on.unit
        if unit not in self._built:
            self._built[unit] = parse_constructs(self._raw.get("tidemark"), self.source, unit)
        return self._built[unit]

    def patterns(self, on: "Corpus | str") -> dict[str, tidemark.Pattern]:
        """The patterns of the `tidemark:` section by name, built for corpus `on` (or for
        a time unit such as "us")."""
        return self._constructs(on).patterns

    def state_machines(self, on: "Corpus | str") -> dict[str, tidemark.StateMachine]:
        """The state machines of the `tidemark:` section by name, built for corpus `on`
        (or for a time unit)."""
        return self._constructs(on).state_machines

    def labels(self, on: "Corpus | str") -> list[tidemark.AnnotationSpec]:
        """The label columns (annotation specs) of the `tidemark:` section in the order
        written, built for corpus `on` (or for a time unit): `corpus.annotate(task.labels(corpus))`."""
        return list(self._constructs(on).labels.values())

    @property
    def time_unit(self) -> str:
        """The unit in which the `tidemark:` section writes durations and times as plain
        numbers (hours unless it says otherwise)."""
        return self._written.unit

    @property
    def columns(self) -> list[str]:
        """Event columns beyond code and value that the data must provide."""
        return self.config.columns if self.config is not None else []

    def run(self, corpus: "Corpus", summaries: bool = False) -> pl.DataFrame:
        """The task's labels over `corpus`: `subject_id`, `prediction_time` (the index
        timestamp; null without one), `boolean_value` (the label predicate's count in its
        window is above zero; null without a label) and the other MEDS label value columns
        (null). With `summaries`, each row also has the `trigger` time and the start and
        end time of every window (`<window>.start`, `<window>.end`)."""
        if self.config is None:
            raise TaskFileError(
                self.source,
                "trigger",
                "the file has only a tidemark: section and no trigger to run; build its constructs with "
                "task.patterns(corpus), task.labels(corpus) and task.state_machines(corpus)",
            )
        index = next((w for w in self.config.windows.values() if w.index_timestamp), None)
        wanted = None if summaries else [f"{index.name}.{index.index_timestamp}"] if index else []
        result = realize(self.config, corpus, wanted)
        n = len(result.subject)

        def when(micros: np.ndarray) -> np.ndarray:
            return np.datetime64(corpus.epoch, "us") + micros.astype("timedelta64[us]")

        columns: dict[str, pl.Series] = {
            "subject_id": pl.Series(np.asarray(corpus.subject_ids, dtype=np.int64)[result.subject], dtype=pl.Int64),
            "prediction_time": (
                pl.Series(when(result.times[f"{index.name}.{index.index_timestamp}"]), dtype=pl.Datetime("us"))
                if index
                else _nulls(n, pl.Datetime("us"))
            ),
            "boolean_value": (
                pl.Series(result.label > 0, dtype=pl.Boolean) if result.label is not None else _nulls(n, pl.Boolean)
            ),
            "integer_value": _nulls(n, pl.Int64),
            "float_value": _nulls(n, pl.Float64),
            "categorical_value": _nulls(n, pl.String),
        }
        if summaries:
            for node, micros in result.times.items():
                columns[node] = pl.Series(when(micros), dtype=pl.Datetime("us"))
        return pl.DataFrame({name: s.alias(name) for name, s in columns.items()})

    def __repr__(self) -> str:
        parts = [repr(self.source)]
        if self.config is not None:
            parts += [f"trigger={self.config.trigger!r}", f"windows={list(self.config.windows)}"]
        w = self._written
        for kind, named in (("patterns", w.patterns), ("state_machines", w.state_machines), ("labels", w.labels)):
            if named:
                parts.append(f"{kind}={list(named)}")
        return f"Task({', '.join(parts)})"
