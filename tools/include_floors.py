#!/usr/bin/env python3
"""Check that the source folders include each other without loops.

Every `#include "a/b.hpp"` line under the source root is read as an edge from
the including file's folder to the included file's folder, at two levels: the
top-level folders of the root (`types`, `engine`, `lib`, ...) and, inside each
folder named with `--inside`, its sub-folders (a file directly in that folder
counts as the folder's root room, shown as `lib/.`). A folder that reaches
itself again through these edges is a loop: the script prints each loop with
the include lines that make it and exits 1. With `--graph` it also prints the
folder graph, one line per edge with the number of include lines behind it.

Usage: include_floors.py [--root src] [--inside lib] [--graph]
"""

from __future__ import annotations

import argparse
import re
import sys
from collections import defaultdict
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = {".cpp", ".hpp", ".h", ".cc"}


def folder_of(relative: Path, inside: set[str]) -> str | None:
    """The folder a source file lives in at the level the check looks at."""
    parts = relative.parts
    if len(parts) < 2:
        return None
    if parts[0] in inside:
        return f"{parts[0]}/{parts[1]}" if len(parts) > 2 else f"{parts[0]}/."
    return parts[0]


def read_edges(root: Path, inside: set[str]) -> dict[tuple[str, str], list[str]]:
    """Folder edges with the `file:line` places of the include lines behind them."""
    edges: dict[tuple[str, str], list[str]] = defaultdict(list)
    for path in sorted(root.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        source = folder_of(path.relative_to(root), inside)
        if source is None:
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            found = INCLUDE.match(line)
            if not found:
                continue
            included = Path(found.group(1))
            if not (root / included).is_file():
                included = (path.parent / included).resolve().relative_to(root.resolve())
            target = folder_of(included, inside)
            if target is not None and target != source:
                edges[(source, target)].append(f"{path}:{number}")
    return edges


def find_loops(edges: dict[tuple[str, str], list[str]]) -> list[list[str]]:
    """The strongly connected groups of more than one folder (Tarjan's method)."""
    graph: dict[str, list[str]] = defaultdict(list)
    for source, target in edges:
        graph[source].append(target)
        graph.setdefault(target, [])
    index: dict[str, int] = {}
    low: dict[str, int] = {}
    stack: list[str] = []
    on_stack: set[str] = set()
    groups: list[list[str]] = []

    def visit(node: str) -> None:
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for nxt in graph[node]:
            if nxt not in index:
                visit(nxt)
                low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                groups.append(sorted(group))

    for node in sorted(graph):
        if node not in index:
            visit(node)
    return groups


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default="src", help="the source root (default: src)")
    parser.add_argument(
        "--inside", action="append", default=None, help="a folder whose sub-folders are checked too (default: lib)"
    )
    parser.add_argument("--graph", action="store_true", help="print the folder graph")
    args = parser.parse_args(argv)
    root = Path(args.root)
    if not root.is_dir():
        print(f"include_floors: no folder {root}", file=sys.stderr)
        return 2
    edges = read_edges(root, set(args.inside or ["lib"]))
    if args.graph:
        for (source, target), places in sorted(edges.items()):
            print(f"{source} -> {target} ({len(places)})")
    loops = find_loops(edges)
    for group in loops:
        members = set(group)
        print(f"include loop: {' <-> '.join(group)}")
        for (source, target), places in sorted(edges.items()):
            if source in members and target in members:
                print(f"  {source} -> {target}: {', '.join(places)}")
    if loops:
        return 1
    print(f"include floors: {len({n for e in edges for n in e})} folders, no loops")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
