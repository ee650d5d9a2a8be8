"""Coded event corpora for tidemark: MEDS data and data frames in, polars tables out."""

from .corpus import Corpus
from .durations import duration
from .labels import LABEL_SCHEMA, write_labels

__all__ = ["Corpus", "LABEL_SCHEMA", "duration", "write_labels"]
