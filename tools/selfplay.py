#!/usr/bin/env python3
"""Plays Pentad against itself with small check budgets and writes the
positions met, for the timing corpus and the bench set.

Output format: one block per position, a header line "# <name> <side>"
followed by the 20 lines of the position file ("-", "x", "o")."""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile


def five_in_row(board, x, y):
    p = board[y][x]
    for dx, dy in ((1, 0), (1, 1), (0, 1), (-1, 1)):
        n = 1
        for s in (1, -1):
            cx, cy = x + s * dx, y + s * dy
            while 0 <= cx < 20 and 0 <= cy < 20 and board[cy][cx] == p:
                n += 1
                cx, cy = cx + s * dx, cy + s * dy
        if n >= 5:
            return True
    return False


def engine_move(exe, board, side, seed, checks, workdir):
    with open(os.path.join(workdir, "Plocha.dat"), "w", newline="") as f:
        f.write("".join("".join(row) + "\r\n" for row in board))
    with open(os.path.join(workdir, "Tah.dat"), "w") as f:
        f.write(side)
    out = subprocess.run([exe, "analyze", workdir, "--engine", "classic", "--seed", str(seed),
                          "--checks", str(checks)],
                         capture_output=True, text=True, check=True)
    return json.loads(out.stdout)["move"]


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("exe")
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--every", type=int, default=3, help="keep every Nth position of a game")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    workdir = tempfile.mkdtemp(prefix="pentad-selfplay-")
    for game in range(args.games):
        board = [["-"] * 20 for _ in range(20)]
        # A few random stones near the centre make the games differ.
        opening = rng.randint(1, 4)
        side = "x"
        moves = 0
        while moves < 400:
            if moves < opening:
                while True:
                    x, y = rng.randint(6, 13), rng.randint(6, 13)
                    if board[y][x] == "-":
                        break
            else:
                if moves % args.every == 0 and moves >= 3:
                    print(f"# g{game:02d}m{moves:03d} {side}")
                    print("\n".join("".join(r) for r in board))
                    sys.stdout.flush()
                checks = rng.choice([100, 300, 1000, 3000])
                x, y = engine_move(args.exe, board, side, rng.randint(0, 2**32 - 1), checks, workdir)
                if not (0 <= x < 20 and 0 <= y < 20) or board[y][x] != "-":
                    break
            board[y][x] = side
            moves += 1
            if five_in_row(board, x, y):
                break
            side = "o" if side == "x" else "x"


if __name__ == "__main__":
    main()
