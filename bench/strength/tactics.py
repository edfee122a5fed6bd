#!/usr/bin/env python3
"""Runs the strong engine over labelled tactics positions and counts the
solved ones.

Each position is a folder with "Plocha.dat", "Tah.dat" and "puzzle.json"
("kind": "win" or "defend", "winning_moves": [[x, y], ...], for wins
"tactic": "fours" or "threes"). A position is solved when the engine's move
is one of its winning moves.

Labels can miss wins: with `--verify-nodes N`, a win position where the
engine played an unlabelled move is checked further. The move counts as an
unlabelled win when, after it, every reply near the stones (within two
squares) leaves the engine a win that `analyze --nodes N` proves. Such
moves are reported apart and never counted as solved.

    bench/strength/tactics.py build/ci/pentad tests/data/tactics bench/strength/tactics
    bench/strength/tactics.py --move-time 1000 --engine strong build/ci/pentad DIR...
"""
import argparse
import json
import os
import subprocess
import sys
from collections import defaultdict

from tactics_board import SIZE, analyze, makes_five, near_moves, opponent


def positions(roots):
    for root in roots:
        for name in sorted(os.listdir(root)):
            folder = os.path.join(root, name)
            if os.path.isfile(os.path.join(folder, "puzzle.json")):
                yield folder


def category(puzzle):
    if puzzle["kind"] == "win":
        return "win by " + puzzle.get("tactic", "?")
    return puzzle["kind"]


def read_board(folder):
    with open(os.path.join(folder, "Plocha.dat")) as f:
        rows = [line.rstrip("\r\n") for line in f][:SIZE]
    rows += [""] * (SIZE - len(rows))
    return [list(row.ljust(SIZE, "-")[:SIZE]) for row in rows]


def side_to_move(folder):
    with open(os.path.join(folder, "Tah.dat")) as f:
        return "o" if f.read().strip().lower().startswith("o") else "x"


def wins_against_every_reply(pentad, folder, move, nodes):
    """The move wins unless a reply near the stones leaves no proven win."""
    board = read_board(folder)
    me = side_to_move(folder)
    other = opponent(me)
    x, y = move
    if makes_five(board, x, y, me):
        return True
    board[y][x] = me
    for rx, ry in near_moves(board):
        if makes_five(board, rx, ry, other):
            return False
        board[ry][rx] = other
        won = bool((analyze(pentad, board, me, nodes).get("result") or {}).get("win"))
        board[ry][rx] = "-"
        if not won:
            return False
    return True


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("pentad", help="the pentad program")
    parser.add_argument("roots", nargs="+", help="folders of tactics positions")
    parser.add_argument("--engine", default="strong")
    parser.add_argument("--move-time", type=int, default=1000, help="ms per position")
    parser.add_argument("--nodes", type=int, help="node budget instead of the clock")
    parser.add_argument("--verbose", action="store_true", help="one line per position")
    parser.add_argument("--verify-nodes", type=int,
                        help="check unlabelled moves in win positions with this node budget")
    args = parser.parse_args()

    solved = defaultdict(int)
    total = defaultdict(int)
    slowest = 0
    failures = []
    unlabelled = []
    for folder in positions(args.roots):
        with open(os.path.join(folder, "puzzle.json")) as f:
            puzzle = json.load(f)
        command = [args.pentad, "analyze", folder, "--engine", args.engine]
        if args.engine != "classic":
            command += ["--nodes", str(args.nodes)] if args.nodes else ["--move-time",
                                                                         str(args.move_time)]
        result = json.loads(subprocess.run(command, check=True, capture_output=True,
                                           text=True).stdout)
        move = result["move"] if "move" in result else [result["x"], result["y"]]
        kind = category(puzzle)
        ok = list(move) in [list(m) for m in puzzle["winning_moves"]]
        total[kind] += 1
        solved[kind] += ok
        slowest = max(slowest, result.get("elapsedMs", 0))
        if not ok:
            failures.append(folder)
            if (args.verify_nodes and puzzle["kind"] == "win" and
                    wins_against_every_reply(args.pentad, folder, move, args.verify_nodes)):
                unlabelled.append(folder)
        if args.verbose:
            print(f"{folder}: {'solved' if ok else 'MISSED'} {kind}, played {move}, "
                  f"depth {result.get('depth')}, {result.get('elapsedMs')} ms", flush=True)

    wins = sum(n for k, n in total.items() if k.startswith("win"))
    won = sum(n for k, n in solved.items() if k.startswith("win"))
    for kind in sorted(total):
        print(f"{kind:16} {solved[kind]:4} / {total[kind]}")
    print(f"{'wins':16} {won:4} / {wins}" + (f" ({100 * won / wins:.1f} %)" if wins else ""))
    print(f"slowest answer   {slowest} ms")
    if failures:
        print("missed: " + " ".join(failures))
    if args.verify_nodes:
        print(f"unlabelled wins  {len(unlabelled):4} (every reply near the stones proven lost)" +
              (": " + " ".join(unlabelled) if unlabelled else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
