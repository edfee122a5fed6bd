"""Positions as the tactics scripts handle them: a board is a list of 20
rows, each a list of "-", "x" or "o"; a side is "x" or "o"."""
import json
import os
import subprocess
import tempfile

SIZE = 20
DIRECTIONS = ((1, 0), (1, 1), (0, 1), (-1, 1))


def analyze(pentad, board, side, nodes):
    with tempfile.TemporaryDirectory() as folder:
        write_position(folder, board, side)
        out = subprocess.run([pentad, "analyze", "--engine", "strong", "--nodes", str(nodes),
                              folder], check=True, capture_output=True, text=True).stdout
    return json.loads(out)


def write_position(folder, board, side):
    with open(os.path.join(folder, "Plocha.dat"), "w") as f:
        f.write("".join("".join(row) + "\n" for row in board))
    with open(os.path.join(folder, "Tah.dat"), "w") as f:
        f.write(side + "\n")


def opponent(side):
    return "o" if side == "x" else "x"


def makes_five(board, x, y, side):
    for dx, dy in DIRECTIONS:
        run = 1
        for sign in (1, -1):
            cx, cy = x + sign * dx, y + sign * dy
            while 0 <= cx < SIZE and 0 <= cy < SIZE and board[cy][cx] == side:
                run += 1
                cx, cy = cx + sign * dx, cy + sign * dy
        if run >= 5:
            return True
    return False


def near_moves(board, reach=2):
    cells = []
    for y in range(SIZE):
        for x in range(SIZE):
            if board[y][x] != "-":
                continue
            if any(0 <= x + dx < SIZE and 0 <= y + dy < SIZE and board[y + dy][x + dx] != "-"
                   for dx in range(-reach, reach + 1) for dy in range(-reach, reach + 1)):
                cells.append((x, y))
    return cells
