#!/usr/bin/env bash
# Prints the module graph of src/ from its #include "module/..." lines and
# fails on an include the table below does not allow, or on a cycle.
#
# A module is a folder of src/, or of src/classic/. The engines sit on
# common/; engine/ is the one door from the front ends to both engines; the
# front ends sit on engine/, common/ and the small shared libraries text/
# and analysis/, and options/ reads the engine options of a command line.
# The exceptions are named: `pentad brain` and `pentad match`
# run the brain and the runner from cli/, and `pentad book` works on the
# classic engine's book files.
#
# Usage: tools/check-layers.sh [SRC_DIR]   (default: src/ beside this script)
set -euo pipefail

src_dir="${1:-$(dirname "$0")/../src}"
exec python3 - "$src_dir" <<'PYTHON'
import pathlib
import re
import sys

CLASSIC = ["classic/board", "classic/threats", "classic/select", "classic/book",
           "classic/decision"]
# What each module may include besides itself.
ALLOWED = {
    "common": [],
    "strong": ["common"],
    "engine": ["common", "strong"] + CLASSIC,
    "text": [],
    "analysis": ["common", "engine", "text"],
    "options": ["common", "engine"],
    "protocol": ["common", "engine", "options", "text"],
    "match": ["common", "text"],
    "serve": ["common", "engine", "analysis", "text"],
    "cli": ["common", "engine", "analysis", "options", "text", "protocol", "match",
            "classic/book"],
}
# Each classic folder may include common and the classic folders before it.
for i, module in enumerate(CLASSIC):
    ALLOWED[module] = ["common"] + CLASSIC[:i]
ORDER = ["common"] + CLASSIC + ["strong", "engine", "text", "analysis", "options", "protocol",
                                "match", "serve", "cli"]
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def module_of(relative):
    parts = pathlib.PurePosixPath(relative).parts
    if len(parts) >= 2 and parts[0] == "classic":
        return "/".join(parts[:2])
    return parts[0]


def find_cycle(graph):
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
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
graph, witness, problems = {}, {}, []
for path in sorted(root.rglob("*")):
    if path.suffix not in (".cpp", ".hpp") or not path.is_file():
        continue
    relative = path.relative_to(root).as_posix()
    source = module_of(relative)
    if source not in ALLOWED:
        problems.append(f"src/{source} is in no layer: add it to tools/check-layers.sh")
        ALLOWED[source] = []
    graph.setdefault(source, set())
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match or "/" not in match.group(1):
            continue
        target = module_of(match.group(1))
        if target == source or target not in ALLOWED and not (root / match.group(1)).exists():
            continue  # a generated header of the module itself
        graph[source].add(target)
        witness.setdefault((source, target), f"{relative}:{number}")

rank = lambda m: ORDER.index(m) if m in ORDER else len(ORDER)
for source in sorted(graph, key=rank):
    targets = sorted(graph[source], key=rank)
    print(f"{source:17} -> {' '.join(targets) if targets else '(nothing)'}")
    for target in targets:
        if target not in ALLOWED[source]:
            problems.append(f"{source} -> {target} is not allowed ({witness[(source, target)]})")
cycle = find_cycle(graph)
if cycle:
    problems.append("cycle: " + " -> ".join(cycle))
for problem in problems:
    print("error: " + problem, file=sys.stderr)
sys.exit(1 if problems else 0)
PYTHON
