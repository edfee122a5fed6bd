#!/usr/bin/env python3
"""Builds the match runner's built-in openings (src/match/openings-default.txt).

Enumerates openings of two to four stones near the centre square (10, 10),
"x" first, keeps one of each shape (the 8 symmetries of the square, and
shifts), has the strong engine rate each position with a fixed node budget
(`pentad analyze --engine strong --nodes N`, "eval" from the side to move's
view), keeps those rated near equal and picks a varied set from them.

Usage: tools/make-openings.py [--pentad build/ci/pentad] [--nodes 200000]
       [--threshold 100] [--count 80] [--jobs 1] [--out FILE]

The result is deterministic for a given engine and node budget.
"""
import argparse
import concurrent.futures
import itertools
import json
import os
import random
import subprocess
import sys
import tempfile

SIZE = 20
CENTRE = 10
RADIUS = 2  # stones at most this far from the centre, in each direction
SYMMETRIES = [
    lambda x, y: (x, y), lambda x, y: (-x, y), lambda x, y: (x, -y), lambda x, y: (-x, -y),
    lambda x, y: (y, x), lambda x, y: (-y, x), lambda x, y: (y, -x), lambda x, y: (-y, -x),
]


def canonical(xs, os_):
    """The shape of a position: the least of its images under the symmetries,
    each shifted to start at (0, 0)."""
    best = None
    for f in SYMMETRIES:
        px = [f(*p) for p in xs]
        po = [f(*p) for p in os_]
        mx = min(p[0] for p in px + po)
        my = min(p[1] for p in px + po)
        key = (tuple(sorted((x - mx, y - my) for x, y in px)),
               tuple(sorted((x - mx, y - my) for x, y in po)))
        if best is None or key < best:
            best = key
    return best


def connected(stones):
    """Every stone within two squares of another: a shape players would open
    with, not scattered stones."""
    if len(stones) < 2:
        return True
    seen = {stones[0]}
    frontier = [stones[0]]
    while frontier:
        a = frontier.pop()
        for b in stones:
            if b not in seen and max(abs(a[0] - b[0]), abs(a[1] - b[1])) <= 2:
                seen.add(b)
                frontier.append(b)
    return len(seen) == len(stones)


def candidates(stones):
    """One opening per shape with `stones` stones: x and o alternate from x,
    the shape centred on the centre square, a first x stone on it."""
    cells = [(dx, dy) for dx in range(-RADIUS, RADIUS + 1) for dy in range(-RADIUS, RADIUS + 1)]
    shapes = {}
    nx, no = (stones + 1) // 2, stones // 2
    for xs in itertools.combinations(cells, nx):
        if (0, 0) not in xs:
            continue
        rest = [c for c in cells if c not in xs]
        for os_ in itertools.combinations(rest, no):
            if not connected(list(xs) + list(os_)):
                continue
            shape = canonical(xs, os_)
            if shape not in shapes:
                shapes[shape] = (list(xs), list(os_))
    return shapes


def moves_of(xs, os_):
    """x and o alternately, the centre first."""
    xs = sorted(xs, key=lambda p: p != (0, 0))
    moves = []
    for i in range(max(len(xs), len(os_))):
        if i < len(xs):
            moves.append(xs[i])
        if i < len(os_):
            moves.append(os_[i])
    return moves


def evaluate(pentad, nodes, moves):
    with tempfile.TemporaryDirectory(prefix="pentad-openings-") as tmp:
        board = [["-"] * SIZE for _ in range(SIZE)]
        for i, (dx, dy) in enumerate(moves):
            board[CENTRE + dy][CENTRE + dx] = "x" if i % 2 == 0 else "o"
        with open(os.path.join(tmp, "Plocha.dat"), "w") as f:
            f.write("".join("".join(row) + "\n" for row in board))
        with open(os.path.join(tmp, "Tah.dat"), "w") as f:
            f.write("x\n" if len(moves) % 2 == 0 else "o\n")
        out = subprocess.run([pentad, "analyze", "--engine", "strong", "--nodes", str(nodes), tmp],
                             check=True, capture_output=True, text=True).stdout
        report = json.loads(out)
        if report.get("result"):  # a proven win or loss is anything but equal
            return 10**6
        return report["eval"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pentad", default="build/ci/pentad")
    parser.add_argument("--nodes", type=int, default=200000)
    parser.add_argument("--threshold", type=int, default=100,
                        help="keep openings with |eval| below this")
    parser.add_argument("--count", type=int, default=80, help="openings in the set")
    parser.add_argument("--sample", type=int, default=150,
                        help="shapes evaluated per stone count, at most")
    parser.add_argument("--jobs", type=int, default=1)
    parser.add_argument("--seed", type=int, default=20)
    parser.add_argument("--out", default="src/match/openings-default.txt")
    args = parser.parse_args()
    rng = random.Random(args.seed)

    pool = []
    for stones in (2, 3, 4):
        shapes = sorted(candidates(stones).items())
        rng.shuffle(shapes)
        pool += [(stones, moves_of(*opening)) for _, opening in shapes[:args.sample]]
    print(f"evaluating {len(pool)} openings at {args.nodes} nodes", file=sys.stderr)
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as executor:
        evals = list(executor.map(lambda c: evaluate(args.pentad, args.nodes, c[1]), pool))
    kept = {2: [], 3: [], 4: []}
    for (stones, moves), value in zip(pool, evals):
        if abs(value) < args.threshold:
            kept[stones].append((abs(value), rng.random(), moves, value))
    for group in kept.values():
        group.sort()
    # Round robin over the stone counts, the most equal first, so that the
    # set mixes short and long openings.
    chosen = []
    while len(chosen) < args.count and any(kept.values()):
        for stones in (2, 3, 4):
            if kept[stones] and len(chosen) < args.count:
                chosen.append((stones,) + kept[stones].pop(0)[2:])
    if len(chosen) < args.count:
        sys.exit(f"only {len(chosen)} openings below |eval| {args.threshold}")
    version = subprocess.run(["git", "log", "-1", "--format=%h %s", "--", "src/strong"],
                             capture_output=True,
                             text=True).stdout.strip()
    with open(args.out, "w") as f:
        f.write("# The match runner's built-in openings: offsets dx,dy from the centre (10, 10),\n"
                "# x first. Made by tools/make-openings.py: the strong engine rated each one\n"
                f"# near equal (|eval| < {args.threshold} at {args.nodes} nodes).\n"
                f"# Engine: the search as of {version}\n")
        for stones, moves, value in chosen:
            f.write(", ".join(f"{dx},{dy}" for dx, dy in moves) + f"  # eval {value}\n")
    print(f"wrote {len(chosen)} openings to {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
