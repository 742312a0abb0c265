#!/bin/sh
# Builds the libFuzzer targets with clang (build/fuzz) and runs each in turn
# for SECONDS (default 10), from its seeds (tests/fuzz/corpus/<target>) and
# the corpus kept from earlier runs (build/fuzz/corpus/<target>), printing
# how many inputs each ran. Fails when any target finds a crash; the input is
# kept in build/fuzz/findings, and build/fuzz/<target> <file> replays it.
#   sh tools/fuzz.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-10}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DVESTRO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j 2 >/dev/null

failed=""
for target in chars_fuzz path_checks_fuzz user_path_fuzz tree_copy_fuzz; do
  # Longest input worth trying: a text of the primitives, two paths and a
  # small tree, a folder and a whole 4096-byte Path value; a tree run's
  # header, eight source entries and eight things standing in TO.
  case $target in
    chars_fuzz) longest=700 ;;
    path_checks_fuzz) longest=2048 ;;
    user_path_fuzz) longest=4400 ;;
    tree_copy_fuzz) longest=49 ;;
  esac
  corpus=build/fuzz/corpus/$target
  log=build/fuzz/$target.log
  mkdir -p "$corpus" build/fuzz/findings
  if build/fuzz/$target -max_total_time="$seconds" -max_len=$longest -timeout=25 -print_final_stats=1 \
      -artifact_prefix=build/fuzz/findings/$target- "$corpus" tests/fuzz/corpus/$target >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: $runs inputs in ${seconds} s, no finding"
  else
    echo "$target: FINDING (log: $log)"
    grep -E "check failed|ERROR:|runtime error|Test unit written" "$log" | head -5
    failed="$failed $target"
  fi
done
if [ -n "$failed" ]; then
  echo "fuzz targets with findings:$failed"
  exit 1
fi
