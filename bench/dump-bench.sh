#!/usr/bin/env bash
# Builds and runs the dump-writing benchmark: 1,000,000 mixed rows from in-memory records into a
# dump file, reporting MB/s and rows/s.  Outside the test suite.
#   bench/dump-bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
# The project's usual optimised build: g++ 12 at -O3 reports false overlaps in std::string copies
# (-Wrestrict) that -Werror turns into failures.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" dmp_dump_bench
"$build/bench/dmp_dump_bench" --benchmark_counters_tabular=true
