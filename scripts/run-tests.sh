#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice:
# once as built for use, once under AddressSanitizer and UndefinedBehaviorSanitizer.  Then the
# tree is built with clang++ as well, and each fuzz target (clang only) runs for a short time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"

jobs=$(nproc)
# The options are given every time: a tree that the demo command configured without tests
# must not leave the suite empty.  ctest fails when it finds no test.
"$root/scripts/build.sh" "$root/build" -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=ON
(cd "$root/build" && ctest -j "$jobs" --output-on-failure --timeout 600 --no-tests=error)

"$root/scripts/build.sh" "$root/build-asan" -DTW_SANITIZE=ON -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
   ctest -j "$jobs" --output-on-failure --timeout 900 --no-tests=error)

"$root/scripts/build.sh" "$root/build-clang" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTW_FUZZ=ON -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=OFF
"$root/scripts/fuzz-smoke.sh" "$root/build-clang"
