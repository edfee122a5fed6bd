#!/usr/bin/env bash
# Prints the folder graph of src/ from its #include "folder/..." lines and
# fails on an include that goes up the layer order or on a cycle.
#
# The core folders come in the order the data flows; each may include only
# itself and the folders before it. The front ends may include any core
# folder and the shared libraries (analysis, text), never each other, except the
# subcommands `pentad brain` and `pentad match`, which run the brain and the
# match runner from cli.
#
# Usage: tools/check-layers.sh [SRC_DIR]   (default: src/ beside this script)
set -euo pipefail

src_dir="${1:-$(dirname "$0")/../src}"
exec python3 - "$src_dir" <<'PYTHON'
import pathlib
import re
import sys

CORE = ["common", "board", "threats", "select", "book", "search", "driver"]
SHARED = ["analysis", "text"]  # small libraries the front ends share
FRONT_ENDS = SHARED + ["cli", "protocol", "match", "serve"]
ORDER = CORE + FRONT_ENDS
FRONT_END_EXTRAS = {("cli", "protocol"), ("cli", "match")}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"')


def allowed(source, target):
    if source == target or target in CORE and (source in FRONT_ENDS or
                                               CORE.index(target) < CORE.index(source)):
        return True
    if source in FRONT_ENDS:
        return target in SHARED and source != target and (
            source not in SHARED or SHARED.index(target) < SHARED.index(source)
        ) or (source, target) in FRONT_END_EXTRAS
    return False


def find_cycle(graph):
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if nxt == node:
                continue
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


root = pathlib.Path(sys.argv[1]).resolve()
folders = sorted(p.name for p in root.iterdir() if p.is_dir())
graph = {folder: set() for folder in folders}
witness = {}
for path in sorted(root.rglob("*")):
    if path.suffix not in (".cpp", ".hpp") or not path.is_file():
        continue
    source = path.relative_to(root).parts[0]
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if match and match.group(1) in graph:
            target = match.group(1)
            graph[source].add(target)
            witness.setdefault((source, target), f"{path.relative_to(root)}:{number}")

problems = []
for folder in folders:
    if folder not in ORDER:
        problems.append(f"src/{folder} is in no layer: add it to the order in {sys.argv[0]}")
for folder in sorted(graph, key=lambda f: ORDER.index(f) if f in ORDER else len(ORDER)):
    targets = sorted(graph[folder] - {folder},
                     key=lambda f: ORDER.index(f) if f in ORDER else len(ORDER))
    print(f"{folder:9} -> {' '.join(targets) if targets else '(nothing)'}")
    for target in targets:
        if folder in ORDER and target in ORDER and not allowed(folder, target):
            problems.append(f"{folder} -> {target} goes against the order "
                            f"({witness[(folder, target)]})")
cycle = find_cycle(graph)
if cycle:
    problems.append("cycle: " + " -> ".join(cycle))
for problem in problems:
    print("error: " + problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PYTHON
