#!/usr/bin/env python3
"""Times whole turns as a manager runs them: for every position of the
corpus, the real `pentad` turn with the 4.5-second clock, from process start
to exit. Prints the distribution and the worst positions; exits 1 when any
turn took longer than the limit."""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def read_corpus(path):
    positions, lines = [], open(path).read().split("\n")
    i = 0
    while i < len(lines):
        parts = lines[i].split()
        if len(parts) == 3 and parts[0] == "#" and parts[2] in ("x", "o"):
            positions.append((parts[1], parts[2], lines[i + 1:i + 21]))
            i += 21
        else:
            i += 1
    return positions


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("exe", help="the pentad executable")
    ap.add_argument("--corpus", default=os.path.join(here, "..", "tests", "data", "timing-corpus.txt"))
    ap.add_argument("--limit-ms", type=float, default=4600)
    ap.add_argument("--only", type=int, default=0, help="time only the first N positions")
    args = ap.parse_args()
    positions = read_corpus(args.corpus)
    if args.only:
        positions = positions[:args.only]
    work = tempfile.mkdtemp(prefix="pentad-timing-")
    times = []
    for name, side, rows in positions:
        with open(os.path.join(work, "Plocha.dat"), "w", newline="") as f:
            f.write("".join(r + "\r\n" for r in rows))
        with open(os.path.join(work, "Tah.dat"), "w") as f:
            f.write(side)
        start = time.perf_counter()
        subprocess.run([os.path.abspath(args.exe)], cwd=work, check=True)
        ms = (time.perf_counter() - start) * 1000
        times.append((ms, name))
        print(f"{name} {side} {ms:.1f} ms", flush=True)
    values = sorted(t for t, _ in times)
    p99 = values[min(len(values) - 1, int(round(0.99 * (len(values) - 1))))]
    print(f"turns: {len(values)}  median: {statistics.median(values):.1f} ms  "
          f"p99: {p99:.1f} ms  max: {values[-1]:.1f} ms")
    print("slowest:", ", ".join(f"{n} {t:.1f}" for t, n in sorted(times, reverse=True)[:5]))
    sys.exit(1 if values[-1] > args.limit_ms else 0)


if __name__ == "__main__":
    main()
