#!/usr/bin/env bash
# Plays one turn on the sample position the way a game manager does, and
# shows the position and the engine's answer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${1:-$root/build/ci/pentad}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$root/samples/midgame/Plocha.dat" "$root/samples/midgame/Tah.dat" "$work/"
echo "Position (Plocha.dat), $(head -c 1 "$work/Tah.dat") to move:"
tr -d '\r' < "$work/Plocha.dat"
(cd "$work" && "$exe")
echo "Move written into Tah.dat: $(tr -d '\r\n' < "$work/Tah.dat")"
