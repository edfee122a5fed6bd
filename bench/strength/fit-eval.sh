#!/usr/bin/env bash
# Plays the games the strong engine's evaluation is fitted to and fits it:
# a strong sparring engine against itself from random short openings (the
# results of good play say more of a position than our own games do), then
# fit-eval writes src/strong/eval_weights.inc. The new table lands only
# after a match shows it stronger (sprt.sh rev:...).
#
#   bench/strength/fit-eval.sh [options]
#
# Options (defaults in brackets):
#   --build DIR       the build with pentad and fit-eval [build/ci]
#   --engine CMD      the brain that plays both sides [$PENTAD_SPARRING/pbrain-rapfi]
#   --openings N      random openings, each played from both sides [1500]
#   --move-time MS    time per move [100]
#   --games FILE      the SGF collection, added to when it exists
#                     [build/strength/eval-games.sgf]
#   --prior P         fit-eval's pull towards the current values [0.00005]
#   --fit-only        fit the collection as it is, play nothing
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
usage() { sed -n '2,/^set -euo/p' "$0" | sed 's/^# \{0,1\}//;/^set -euo/d'; exit 2; }
build=$root/build/ci
engine=${PENTAD_SPARRING:+$PENTAD_SPARRING/pbrain-rapfi}
openings=1500
move_time=100
games=$root/build/strength/eval-games.sgf
prior=0.00005
play=1
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(realpath "$2"); shift 2 ;;
    --engine) engine=$2; shift 2 ;;
    --openings) openings=$2; shift 2 ;;
    --move-time) move_time=$2; shift 2 ;;
    --games) games=$(realpath -m "$2"); shift 2 ;;
    --prior) prior=$2; shift 2 ;;
    --fit-only) play=0; shift ;;
    -h|--help) usage ;;
    *) echo "fit-eval.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -x "$build/pentad" ] && [ -x "$build/bench/fit-eval" ] ||
  { echo "fit-eval.sh: no pentad or bench/fit-eval in $build: build with the benchmarks" >&2; exit 2; }
mkdir -p "$(dirname "$games")"

if [ "$play" = 1 ]; then
  [ -n "$engine" ] || { echo "fit-eval.sh: name the engine with --engine CMD or \$PENTAD_SPARRING" >&2; exit 2; }
  # Three to six stones within three cells of the centre, X first, none
  # repeated: a fixed seed makes the same list every time.
  list=$(dirname "$games")/eval-openings.txt
  python3 - "$openings" > "$list" <<'PYTHON'
import random, sys
random.seed(20261210)
seen = set()
while len(seen) < int(sys.argv[1]):
    count = random.choice([3, 4, 4, 5, 5, 6])
    stones = []
    while len(stones) < count:
        reach = 2 if len(stones) < 3 else 3
        stone = (random.randint(-reach, reach), random.randint(-reach, reach))
        if stone not in stones:
            stones.append(stone)
    if tuple(stones) not in seen:
        seen.add(tuple(stones))
        print(", ".join(f"{x},{y}" for x, y in stones))
PYTHON
  # One game at a time: the engine plays both sides on its own clock.
  "$build/pentad" match "$engine" "$engine" --name-a a --name-b b --move-time "$move_time" \
    --start-time 10000 --games $((2 * openings)) --jobs 1 --openings "$list" --sgf "$games" > /dev/null
fi
"$build/bench/fit-eval" "$games" --prior "$prior" --out "$root/src/strong/eval_weights.inc"
