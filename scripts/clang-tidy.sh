#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over every source file of a build tree's
# compile_commands.json (a clang++ build, so the compile flags are clang's own), and fails on
# the first finding.
#   scripts/clang-tidy.sh [BUILD_DIR] [JOBS]     default: build-clang, all processors
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-clang}
jobs=${2:-$(nproc)}
if [ ! -f "$build/compile_commands.json" ]; then
  echo "no compile_commands.json in $build: configure it first, e.g." >&2
  echo "  cmake -S $root -B $build -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++" >&2
  exit 2
fi
tidy=$(command -v clang-tidy-14 || command -v clang-tidy) || { echo "clang-tidy is not installed" >&2; exit 2; }
# The source files of the tree (not the generated ones or the system's), one per line.
sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
  grep -E "^$root/(src|tests|bench)/" |
  sort -u | xargs -d '\n' -n 1 -P "$jobs" "$tidy" -p "$build" --quiet
