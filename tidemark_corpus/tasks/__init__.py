"""Task configuration files (predicates, a trigger and a tree of windows) run on a corpus."""

from .errors import TaskFileError
from .task import Task

__all__ = ["Task", "TaskFileError"]
