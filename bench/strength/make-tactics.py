#!/usr/bin/env python3
"""Builds tactics positions from played games, labelled by long searches of
the strong engine.

Every position of every game (from an SGF collection, such as
`pentad match --sgf` writes) is rated with a short search. Two kinds are
kept, each at the first position of a game where it appears:

- "win": the side to move has a forced win of at least `--min-plies` plies
  (the first win by fours and the first that needs threes of a game).
  A long search must confirm it. The winning moves are every move near the
  stones after which a search proves the opponent lost; "tactic" is "fours"
  when the line the engine found makes a four with every attacking move,
  "threes" otherwise. A win that more than `--max-wins` moves keep is
  dropped as too easy.
- "defend": the opponent would have a forced win if the side to move passed,
  the side to move is not lost, and at most `--max-holds` moves near the
  stones leave the opponent without a proven win; those are the winning
  moves.

Each position is written as a folder NNNN/ with "Plocha.dat", "Tah.dat" and
"puzzle.json", the layout bench/strength/tactics.py reads.

    bench/strength/make-tactics.py build/ci/pentad games.sgf OUT --count 40
"""
import argparse
import json
import os
import re
import sys

from tactics_board import SIZE, analyze, makes_five, near_moves, opponent, write_position


def games(sgf_text):
    for game in re.split(r"\(;", sgf_text)[1:]:
        moves = [(ord(m[0]) - 97, ord(m[1]) - 97)
                 for m in re.findall(r";[BW]\[([a-t][a-t])\]", game)]
        yield moves


def board_after(moves):
    board = [["-"] * SIZE for _ in range(SIZE)]
    for i, (x, y) in enumerate(moves):
        board[y][x] = "x" if i % 2 == 0 else "o"
    return board


def threatens_five(board, side):
    return any(board[y][x] == "-" and makes_five(board, x, y, side)
               for y in range(SIZE) for x in range(SIZE))


def won_by_fours(board, side, pv):
    """True when every attacking move of the line threatens a five."""
    board = [row[:] for row in board]
    mover = side
    for x, y in pv:
        if board[y][x] != "-":
            return False
        board[y][x] = mover
        if mover == side and not makes_five(board, x, y, side) and not threatens_five(board, side):
            return False
        mover = opponent(mover)
    return True


def result_of(answer):
    result = answer.get("result") or {}
    return result.get("win"), result.get("loss")


def moves_that(pentad, board, side, nodes, keep):
    """The moves near the stones for which `keep(answer of the opponent)`."""
    chosen = []
    for x, y in near_moves(board):
        board[y][x] = side
        answer = analyze(pentad, board, opponent(side), nodes)
        board[y][x] = "-"
        if keep(answer):
            chosen.append([x, y])
    return chosen


def label_win(args, board, side, plies):
    confirm = analyze(args.pentad, board, side, args.long_nodes)
    win, _ = result_of(confirm)
    if not win:
        return None
    winning = moves_that(args.pentad, board, side, args.label_nodes,
                         lambda a: result_of(a)[1] is not None)
    if confirm["move"] not in winning or len(winning) > args.max_wins:
        return None
    tactic = "fours" if won_by_fours(board, side, confirm["pv"]) else "threes"
    return {"kind": "win", "winning_moves": winning, "best": confirm["move"],
            "mate_plies": win, "tactic": tactic}


def still_holds(args, board, side, move):
    x, y = move
    board[y][x] = side
    answer = analyze(args.pentad, board, opponent(side), args.long_nodes)
    board[y][x] = "-"
    return result_of(answer)[0] is None


def puzzle_text(label):
    return "{\n" + ",\n".join(f' "{k}": {json.dumps(v)}' for k, v in label.items()) + "\n}\n"


def label_defence(args, board, side, threat):
    answer = analyze(args.pentad, board, side, args.long_nodes)
    win, loss = result_of(answer)
    if win or loss:
        return None
    holding = moves_that(args.pentad, board, side, args.label_nodes,
                         lambda a: result_of(a)[0] is None)
    if len(holding) > args.max_holds:
        return None
    holding = [m for m in holding if still_holds(args, board, side, m)]
    if not 1 <= len(holding) <= args.max_holds or answer["move"] not in holding:
        return None
    return {"kind": "defend", "winning_moves": holding, "best": answer["move"],
            "mate_plies": None, "threat_plies": threat}


def candidates(args, moves):
    """(board, side, label) for the first win by fours, the first win that
    needs threes and the first defence of a game."""
    found = set()
    for ply in range(args.min_stones, len(moves)):
        board = board_after(moves[:ply])
        side = "x" if ply % 2 == 0 else "o"
        answer = analyze(args.pentad, board, side, args.scan_nodes)
        win, _ = result_of(answer)
        if win and win >= args.min_plies:
            kind = "fours" if won_by_fours(board, side, answer["pv"]) else "threes"
            if kind not in found:
                found.add(kind)
                yield board, side, ("win", win)
        if "defend" not in found:
            threat, _ = result_of(analyze(args.pentad, board, opponent(side), args.scan_nodes))
            if threat and threat >= args.min_plies:
                found.add("defend")
                yield board, side, ("defend", threat)
        if len(found) == 3:
            return


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("pentad")
    parser.add_argument("sgf")
    parser.add_argument("out")
    parser.add_argument("--count", type=int, default=40, help="positions to write")
    parser.add_argument("--first", type=int, default=1, help="number of the first folder")
    parser.add_argument("--min-stones", type=int, default=8)
    parser.add_argument("--min-plies", type=int, default=5)
    parser.add_argument("--max-holds", type=int, default=4,
                        help="most moves that may hold a defence")
    parser.add_argument("--max-wins", type=int, default=6,
                        help="most moves that may win a win (more is too easy)")
    parser.add_argument("--skip-games", type=int, default=0)
    parser.add_argument("--scan-nodes", type=int, default=100000)
    parser.add_argument("--label-nodes", type=int, default=300000)
    parser.add_argument("--long-nodes", type=int, default=2000000)
    args = parser.parse_args()

    with open(args.sgf, encoding="utf-8", errors="replace") as f:
        collection = f.read()
    seen = set()
    number = args.first
    for moves in list(games(collection))[args.skip_games:]:
        for board, side, (kind, plies) in candidates(args, moves):
            key = "".join("".join(row) for row in board) + side
            if key in seen:
                continue
            seen.add(key)
            label = (label_win(args, board, side, plies) if kind == "win"
                     else label_defence(args, board, side, plies))
            if label is None:
                continue
            label = {"stones": sum(row.count("x") + row.count("o") for row in board), **label}
            folder = os.path.join(args.out, f"{number:04d}")
            os.makedirs(folder, exist_ok=True)
            write_position(folder, board, side)
            with open(os.path.join(folder, "puzzle.json"), "w") as f:
                f.write(puzzle_text(label))
            print(f"{folder}: {kind} {label.get('tactic', '')} {label['winning_moves']}",
                  flush=True)
            number += 1
            if number - args.first >= args.count:
                return 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
