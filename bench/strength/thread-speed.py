#!/usr/bin/env python3
"""Nodes a second of the strong brain with more threads against one.

Sets each of the first N balanced openings with BOARD, lets the brain think
for the given time with each thread count, and prints the speed of its last
finished depth and the ratio. Run it on an idle machine.

    bench/strength/thread-speed.py [--brain build/ci/pbrain-pentad]
        [--threads 2] [--openings 10] [--move-time 2000]
"""
import argparse
import pathlib
import re
import statistics
import subprocess

ROOT = pathlib.Path(__file__).resolve().parents[2]


def opening_moves(line):
    numbers = [int(n) for n in re.findall(r"-?\d+", line)]
    return [(numbers[i] + 10, numbers[i + 1] + 10) for i in range(0, len(numbers), 2)]


def board_commands(moves):
    # The brain's own stones are 1; it is to move, so the last stone is the
    # opponent's.
    count = len(moves)
    return [f"{x},{y},{1 if (count - i) % 2 == 0 else 2}" for i, (x, y) in enumerate(moves)]


def speed(brain, moves, threads, move_time):
    commands = ["START 20", f"INFO thread_num {threads}", f"INFO timeout_turn {move_time}", "BOARD"]
    commands += board_commands(moves) + ["DONE", "END"]
    output = subprocess.run([brain], input="\n".join(commands) + "\n", capture_output=True,
                            text=True, check=True).stdout
    speeds = re.findall(r"(\d+) nodes/s", output)
    if not speeds:
        raise SystemExit(f"no speed in the brain's answer: {output[-300:]}")
    return int(speeds[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--brain", default=str(ROOT / "build/ci/pbrain-pentad"))
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--openings", type=int, default=10)
    parser.add_argument("--move-time", type=int, default=2000)
    args = parser.parse_args()
    lines = (ROOT / "bench/strength/openings-balanced-40.txt").read_text().splitlines()
    ratios = []
    for line in [l for l in lines if l.strip()][: args.openings]:
        moves = opening_moves(line)
        one = speed(args.brain, moves, 1, args.move_time)
        more = speed(args.brain, moves, args.threads, args.move_time)
        ratios.append(more / one)
        print(f"{line:24} 1 thread {one:>9} nodes/s, {args.threads} threads {more:>9}: {more / one:.2f}")
    print(f"median {statistics.median(ratios):.2f} (from {min(ratios):.2f} to {max(ratios):.2f})")


if __name__ == "__main__":
    main()
