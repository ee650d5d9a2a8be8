"""The error a task file raises: what is wrong, under which key, in which file."""


class TaskFileError(ValueError):
    """A task configuration that cannot be read or run, naming the file and the key."""

    def __init__(self, source: str, key: str, message: str) -> None:
        self.source = source
        self.key = key
        super().__init__(f"{source}: {key}: {message}")
