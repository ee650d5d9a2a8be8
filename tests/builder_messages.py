"""The builders' length messages, for the refusal tables of the builder tests."""


def length(name, n, got, of="block_tokens"):
    """An exact-length rule, as the time elements state it."""
    return f"{name} must have length {n} to match {of} (got {got})"


def at_least(name, n, got, of):
    """A rule of at least `n` entries, as the other elements state it."""
    return f"{name} must have at least {n} entries to match {of} (got {got})"
