#!/usr/bin/env bash
# Builds the libFuzzer targets of the book reader and the game record reader
# with clang and runs each for a while.
#
#   tests/fuzz/build-and-run.sh [SECONDS] [BUILD_DIR]
#
# SECONDS (default 60) is the run time of the book reader; the game record
# reader runs half as long. New inputs go into BUILD_DIR (default
# build/fuzz); the seed corpora under tests/fuzz/corpus stay as they are.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
out=${2:-$root/build/fuzz}
mkdir -p "$out/corpus-book" "$out/corpus-sgf"

flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I "$root/src")
book_sources=("$root/src/book/opennings.cpp" "$root/src/book/symmetries.cpp"
              "$root/src/book/book_inspection.cpp")

clang++ "${flags[@]}" "$root/tests/fuzz/book_reader_fuzzer.cpp" "${book_sources[@]}" \
  -o "$out/book_reader_fuzzer"
clang++ "${flags[@]}" "$root/tests/fuzz/sgf_reader_fuzzer.cpp" "$root/src/book/game_record.cpp" \
  "$root/src/book/book_learning.cpp" "${book_sources[@]}" "$root/src/driver/position_files.cpp" \
  -o "$out/sgf_reader_fuzzer"

"$out/book_reader_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -print_final_stats=1 "$out/corpus-book" "$root/tests/fuzz/corpus/book"
"$out/sgf_reader_fuzzer" -max_total_time="$((seconds / 2))" -max_len=8192 -timeout=10 \
  -print_final_stats=1 "$out/corpus-sgf" "$root/tests/fuzz/corpus/sgf"
