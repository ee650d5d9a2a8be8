import subprocess
import sys

import pytest
import tidemark

NAMES = (
    "Pattern TideQuery PreprocessedStream AnnotationSpec StateMachine StateSpan annotate_stream state_spans vocab_ids "
    "CLOSE_REASONS REJECT_REASONS"
).split()
CLASSES = NAMES[:6]


def test_all_lists_the_contents_in_order():
    assert tidemark.__all__ == NAMES
    module_names = [k for k in vars(tidemark) if k in NAMES]
    assert module_names == NAMES
    assert tidemark.__doc__ == ""


@pytest.mark.parametrize("name", CLASSES)
def test_classes_are_plain_native_types(name):
    cls = getattr(tidemark, name)
    assert cls.__module__ == "builtins"
    assert cls.__name__ == cls.__qualname__ == name
    assert repr(cls) == f"<class 'builtins.{name}'>"
    assert "__dict__" not in dir(cls)
    assert cls.__weakrefoffset__ == 0
    with pytest.raises(TypeError):
        type("Sub", (cls,), {})
    if name in ("PreprocessedStream", "AnnotationSpec", "StateSpan"):
        with pytest.raises(TypeError, match="^No constructor defined$"):
            cls()


def test_instances_take_no_attributes_and_have_the_default_repr():
    q = tidemark.TideQuery(tidemark.Pattern())
    assert repr(q).startswith("<builtins.TideQuery object at 0x")
    with pytest.raises(AttributeError):
        q.extra = 1


def test_methods_in_definition_order():
    def public(cls, prefixes=("",)):
        return " ".join(k for k in vars(cls) if not k.startswith("_") and k.startswith(prefixes))

    kinds = "event event_set event_seq time_event dynamic_time_event dynamic_event dynamic_event_set mapped_event"
    assert public(tidemark.Pattern, "add_") == " ".join(f"add_{k}" for k in kinds.split()) + " add_midstream_collector"
    assert public(tidemark.TideQuery, ("match", "pre")) == "match_stream preprocess match_preprocessed match_batch"
    assert public(tidemark.StateMachine) == "add_state add_entry add_exit span state_id state_names"
    assert public(tidemark.AnnotationSpec) == (
        "future_occurrence past_occurrence before_event in_span future_span_occurrence past_span_occurrence "
        "window_aggregate span_aggregate state_label"
    )


def test_reimport_yields_the_same_module():
    saved = sys.modules.pop("tidemark")
    try:
        import tidemark as again

        assert again is saved
    finally:
        sys.modules["tidemark"] = saved


def test_subinterpreter_import_is_refused():
    code = """
import tidemark
import _xxsubinterpreters as interpreters
sid = interpreters.create(isolated=False)
try:
    interpreters.run_string(sid, "import tidemark")
except Exception as e:
    print(e)
"""
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert "ImportError" in out.stdout and "does not support sub-interpreters" in out.stdout
