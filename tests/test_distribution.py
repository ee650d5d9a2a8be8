"""What the installed distribution carries beside the module: the licence, the version and
typed stubs that document every public object the module leaves undocumented."""

import ast
import importlib.metadata
from pathlib import Path

import pytest
import tidemark


def installed_file(suffix: str) -> Path:
    files = [f for f in importlib.metadata.files("tidemark") or [] if str(f).endswith(suffix)]
    assert len(files) == 1, f"the installed distribution has no single file ending in {suffix}"
    return Path(files[0].locate())


@pytest.fixture(scope="module")
def stub() -> ast.Module:
    return ast.parse(installed_file("tidemark-stubs/__init__.pyi").read_text())


def stub_definitions(tree: ast.Module) -> dict[str, ast.AST]:
    """Every class, function and method of the stub by dotted name (the first overload of each)."""
    found: dict[str, ast.AST] = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef | ast.FunctionDef):
            found.setdefault(node.name, node)
        if isinstance(node, ast.ClassDef):
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    found.setdefault(f"{node.name}.{item.name}", item)
    return found


def public_objects() -> dict[str, object]:
    """The module's public classes, their public methods and properties, and its functions."""
    out: dict[str, object] = {}
    for name in tidemark.__all__:
        obj = getattr(tidemark, name)
        if isinstance(obj, type):
            out[name] = obj
            out.update({f"{name}.{k}": getattr(obj, k) for k in vars(obj) if not k.startswith("_")})
        elif callable(obj):
            out[name] = obj
    return out


def test_licence_and_version_are_installed():
    licence = installed_file("LICENSE").read_text()
    assert "Apache License" in licence and "Version 2.0, January 2004" in licence
    meta = importlib.metadata.metadata("tidemark")
    assert meta["License-Expression"] == "Apache-2.0"
    assert tidemark.__version__ == importlib.metadata.version("tidemark")
    assert "__version__" not in tidemark.__all__


def test_companion_package_reports_the_same_version():
    corpus = pytest.importorskip("tidemark_corpus")
    assert corpus.__version__ == tidemark.__version__


def test_stub_declares_the_public_names_in_order(stub):
    declared = next(
        ast.literal_eval(n.value)
        for n in stub.body
        if isinstance(n, ast.Assign) and any(isinstance(t, ast.Name) and t.id == "__all__" for t in n.targets)
    )
    assert declared == tidemark.__all__
    assert set(public_objects()) <= set(stub_definitions(stub))


def test_stub_documents_what_the_module_leaves_undocumented(stub):
    """An editor reads help from the stub; every public object has it there or in the module."""
    defs = stub_definitions(stub)
    undocumented = [name for name, obj in public_objects().items() if not getattr(obj, "__doc__", None)]
    assert len(undocumented) == 16
    assert [name for name in undocumented if not ast.get_docstring(defs[name])] == []
