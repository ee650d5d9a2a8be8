"""tidemark's own constructs (patterns, label columns, state machines) in a plain form:
nested dicts and lists of str, float, int, bool and None that read as the builder calls
which make them, round-trip with the Python objects and store, review and diff as YAML."""

from typing import Any

import yaml

from .built import Builder, from_plain
from .errors import PlainFormError
from .written import to_plain

# libyaml's safe loader and dumper when PyYAML was built with it (several times faster).
_LOADER = getattr(yaml, "CSafeLoader", yaml.SafeLoader)
_DUMPER = getattr(yaml, "CSafeDumper", yaml.SafeDumper)


def dump_yaml(obj: Any) -> str:
    """The YAML text of an object's plain form, keys in the order written."""
    text: str = yaml.dump(to_plain(obj), Dumper=_DUMPER, sort_keys=False, default_flow_style=None)
    return text


def load_yaml(text: str, unit: str = "h") -> Any:
    """The object that a YAML text of a plain form describes."""
    return from_plain(yaml.load(text, Loader=_LOADER), unit)


__all__ = ["Builder", "PlainFormError", "dump_yaml", "from_plain", "load_yaml", "to_plain"]
