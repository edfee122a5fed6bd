#!/usr/bin/env bash
# Plays the games the strong engine's evaluation is fitted to, and fits it:
# a strong sparring engine against itself from random short openings (good
# play, whose results mean something), and our own brain at two node
# budgets from the same openings (the positions our search meets); then
# fit-eval labels every position by the game's result and a search of ours,
# and writes src/strong/eval_weights.inc. The new table lands only after a
# match shows it stronger (sprt.sh rev:...).
#
#   bench/strength/fit-eval.sh [options]
#
# Options (defaults in brackets):
#   --build DIR        the build with pentad, pbrain-pentad and fit-eval [build/ci]
#   --sparring CMD     the brain that plays both sides of the first games
#                      [$PENTAD_SPARRING/pbrain-rapfi]
#   --openings N       random openings, each played from both sides [600]
#   --move-time MS     the sparring engine's time per move [100]
#   --nodes A,B        our brain's node budgets [20000,40000]
#   --out DIR          where the games go; a collection that exists is kept
#                      and fitted again [build/strength/eval]
#   --search-nodes N   fit-eval's search per position [20000]
#   --prior P          fit-eval's pull towards the current weights [0.000001]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
usage() { sed -n '2,/^set -euo/p' "$0" | sed 's/^# \{0,1\}//;/^set -euo/d'; exit 2; }
build=$root/build/ci
sparring=${PENTAD_SPARRING:+$PENTAD_SPARRING/pbrain-rapfi}
openings=600
move_time=100
nodes=20000,40000
out=$root/build/strength/eval
search_nodes=20000
prior=0.000001
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(realpath "$2"); shift 2 ;;
    --sparring) sparring=$2; shift 2 ;;
    --openings) openings=$2; shift 2 ;;
    --move-time) move_time=$2; shift 2 ;;
    --nodes) nodes=$2; shift 2 ;;
    --out) out=$(realpath -m "$2"); shift 2 ;;
    --search-nodes) search_nodes=$2; shift 2 ;;
    --prior) prior=$2; shift 2 ;;
    -h|--help) usage ;;
    *) echo "fit-eval.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
for tool in pentad pbrain-pentad bench/fit-eval; do
  [ -x "$build/$tool" ] ||
    { echo "fit-eval.sh: no $tool in $build: build with the benchmarks" >&2; exit 2; }
done
mkdir -p "$out"
sparring_games=$out/sparring.sgf
own_games=$out/own.sgf

# Three to six stones within three cells of the centre, X first, none
# repeated: a fixed seed makes the same list every time.
list=$out/openings.txt
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

# One game at a time, so that the sparring engine's clock is its own.
if [ ! -s "$sparring_games" ]; then
  [ -n "$sparring" ] ||
    { echo "fit-eval.sh: name the sparring engine with --sparring CMD or \$PENTAD_SPARRING" >&2; exit 2; }
  "$build/pentad" match "$sparring" "$sparring" --name-a a --name-b b --move-time "$move_time" \
    --start-time 10000 --games $((2 * openings)) --jobs 1 --openings "$list" \
    --sgf "$sparring_games" > /dev/null
fi
if [ ! -s "$own_games" ]; then
  "$build/pentad" match "$build/pbrain-pentad --nodes ${nodes%,*}" \
    "$build/pbrain-pentad --nodes ${nodes#*,}" --move-time 60000 --games $((2 * openings)) \
    --openings "$list" --sgf "$own_games" > /dev/null
fi
"$build/bench/fit-eval" "$sparring_games" "$own_games" --search-nodes "$search_nodes" \
  --prior "$prior" --out "$root/src/strong/eval_weights.inc"
