#!/usr/bin/env bash
# A strength match of the strong brain against one opponent, one game at a
# time, balanced openings from both sides, stopped early by an SPRT, and the
# line it makes for RESULTS.md.
#
#   bench/strength/sprt.sh OPPONENT [options]
#
# OPPONENT is one of
#   rapfi, wine     an engine of the sparring folder given by --sparring DIR
#                   or $PENTAD_SPARRING (never a folder of this repository's);
#   rev:REVISION    this repository's strong brain at a git revision, built
#                   once into build/revisions/REVISION;
#   classic         this build's classic brain;
#   anything else   a brain command, as `pentad match` takes it.
#
# Options (defaults in brackets):
#   --build DIR       the build whose brain plays [build/ci]
#   --move-time MS    time per move [300]; confirm at 1000
#   --games N         the most games [400]
#   --sprt E0,E1      the test's Elo bounds [0,10 against a revision, -50,0 else];
#                     off plays every game
#   --threads N       threads of this build's brain [1]; the opponents play one
#   --openings FILE   [bench/strength/openings-balanced-40.txt]
#   --jobs N          games at once [1]: two engines thinking on two busy
#                     cores make noise and time losses
#   --sparring DIR    the sparring engines' folder [$PENTAD_SPARRING]
#   --out FILE        the match's JSON [build/strength/NAME-DATE.json]; the
#                     games go beside it as SGF (FILE with .sgf for .json),
#                     to study the lost ones
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
usage() { sed -n '2,/^set -euo/p' "$0" | sed 's/^# \{0,1\}//;/^set -euo/d'; exit 2; }
[ $# -ge 1 ] || usage
opponent=$1
shift
build=$root/build/ci
move_time=300
games=400
sprt=""
threads=1
openings=$root/bench/strength/openings-balanced-40.txt
jobs=1
sparring=${PENTAD_SPARRING:-}
out=""
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(realpath "$2"); shift 2 ;;
    --move-time) move_time=$2; shift 2 ;;
    --games) games=$2; shift 2 ;;
    --sprt) sprt=$2; shift 2 ;;
    --threads) threads=$2; shift 2 ;;
    --openings) openings=$(realpath "$2"); shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --sparring) sparring=$(realpath "$2"); shift 2 ;;
    --out) out=$2; shift 2 ;;
    -h|--help) usage ;;
    *) echo "sprt.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

pentad=$build/pentad
[ -x "$pentad" ] || { echo "sprt.sh: no $pentad: build it first" >&2; exit 2; }

sparring_engine() {
  [ -n "$sparring" ] || { echo "sprt.sh: name the sparring folder with --sparring DIR or \$PENTAD_SPARRING" >&2; exit 2; }
  [ -x "$sparring/$1" ] || { echo "sprt.sh: no $sparring/$1" >&2; exit 2; }
  echo "$sparring/$1"
}

# A revision's brain, built once: a worktree of that commit, configured
# without tests or benchmarks, only pbrain-pentad built.
revision_brain() {
  local rev dir
  rev=$(git -C "$root" rev-parse --short "$1")
  dir=$root/build/revisions/$rev
  if [ ! -x "$dir/build/pbrain-pentad" ]; then
    rm -rf "$dir"
    mkdir -p "$root/build/revisions"
    git -C "$root" worktree add --detach -f "$dir/src" "$rev" > /dev/null
    cmake -S "$dir/src" -B "$dir/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
      -DPENTAD_BENCHMARKS=OFF > /dev/null
    cmake --build "$dir/build" --target pbrain-pentad -j 2 > /dev/null
    git -C "$root" worktree remove --force "$dir/src"
  fi
  echo "$dir/build/pbrain-pentad"
}

case $opponent in
  rapfi) command_b=$(sparring_engine pbrain-rapfi); name_b=rapfi; default_sprt=-50,0 ;;
  wine) command_b=$(sparring_engine pbrain-wine); name_b=wine; default_sprt=-50,0 ;;
  rev:*) command_b=$(revision_brain "${opponent#rev:}"); name_b=pentad-${opponent#rev:}; default_sprt=0,10 ;;
  classic) command_b=$build/pbrain-pentad-classic; name_b=classic; default_sprt=-50,0 ;;
  *) command_b=$opponent; name_b=$(basename "${opponent%% *}"); default_sprt=-50,0 ;;
esac
sprt=${sprt:-$default_sprt}
sprt_option=(--sprt "$sprt")
[ "$sprt" != off ] || sprt_option=()
commit=$(git -C "$root" rev-parse --short HEAD)
[ -z "$(git -C "$root" status --porcelain -- src)" ] || commit="$commit+"
mkdir -p "$root/build/strength"
out=${out:-$root/build/strength/$name_b-$(date +%Y%m%d-%H%M%S).json}

"$pentad" match "$build/pbrain-pentad --threads $threads" "$command_b" \
  --name-a "pentad-$commit" --name-b "$name_b" --move-time "$move_time" --start-time 10000 \
  --games "$games" --jobs "$jobs" --openings "$openings" ${sprt_option[@]+"${sprt_option[@]}"} \
  --sgf "${out%.json}.sgf" --json > "$out"

# The summary in words, and the line for RESULTS.md.
"$pentad" match merge "$out"
python3 - "$out" "$commit" "$name_b" "$move_time" "$threads" "$(basename "$openings")" <<'PYTHON'
import datetime, json, sys
path, commit, opponent, move_time, threads, openings = sys.argv[1:]
r = json.load(open(path))
pairs = r["pairs"]["elo"]
def signed(x):
    return "n/a" if x is None else f"{x:+.0f}"
elo = (f"{signed(pairs['difference'])} ({signed(pairs['low'])} to {signed(pairs['high'])})"
       if pairs["bound"] is None else f"{'>' if pairs['bound']['side'] == 'above' else '<'} "
       f"{signed(pairs['bound']['elo'])}")
sprt = r.get("sprt", {}).get("result")
sprt = f"SPRT {sprt}" if sprt else "no SPRT"
print(f"| {datetime.date.today()} | {commit} | {opponent} | {int(move_time)} ms, {threads} thread(s) "
      f"| {openings} | {r['games_played']} | {r['wins']}-{r['draws']}-{r['losses']} "
      f"| {elo} | {sprt}; time losses {r['losses_by_rule']['a']['time']}-"
      f"{r['losses_by_rule']['b']['time']} |")
PYTHON
