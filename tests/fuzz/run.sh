#!/usr/bin/env bash
# Builds the libFuzzer targets with the `fuzz` preset and runs each for a
# while on its seed corpus.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]
#
# SECONDS (default 60) is each target's run time; without TARGETs every
# *_fuzzer runs. New inputs go into build/fuzz/corpus/NAME; the seed corpora
# under tests/fuzz/corpus stay as they are. A finding stops the run with a
# non-zero status and leaves its input in build/fuzz/findings.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
seconds=${1:-60}
shift $(( $# > 0 ? 1 : 0 ))

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzzer.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz --target "${targets[@]}"
out=build/fuzz
mkdir -p "$out/findings"
for target in "${targets[@]}"; do
  name=${target%_fuzzer}
  mkdir -p "$out/corpus/$name" "tests/fuzz/corpus/$name"
  echo "== $target: $seconds s"
  status=0
  "$out/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/findings/$target-" \
    "$out/corpus/$name" "tests/fuzz/corpus/$name" > "$out/$target.log" 2>&1 || status=$?
  grep -E 'stat::number_of_executed_units|Done [0-9]+ runs|ERROR|SUMMARY' "$out/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$out/$target.log" >&2
    echo "$target: finding (status $status), input in $out/findings" >&2
    exit 1
  fi
done
