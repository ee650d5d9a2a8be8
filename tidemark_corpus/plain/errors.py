"""The error a plain form raises: what is wrong and at which entry."""


class PlainFormError(ValueError):
    """A plain form that does not describe a tidemark object; `path` names the bad entry
    (e.g. `patterns.cohort.elements[2].add_event.max_dt`)."""

    def __init__(self, path: str, message: str) -> None:
        self.path = path
        self.message = message
        super().__init__(f"{path}: {message}" if path else message)
