#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite twice:
# once as built for use, once under AddressSanitizer and UndefinedBehaviorSanitizer.  The first
# build is also packaged, installed and run from its installation.  Then the tree is built with
# clang++ as well, and each fuzz target (clang only) runs for a short time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# The layout is checked first: it costs seconds and names every file that strays.
"$root/scripts/check-format.sh"

jobs=$(nproc)
# The server was installed above: a test that cannot start one fails rather than skips.
export TW_TESTS_NEED_SERVER=1
# The options are given every time: a tree that the demo command configured without tests
# must not leave the suite empty.  ctest fails when it finds no test.
"$root/scripts/build.sh" "$root/build" -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=ON
(cd "$root/build" && ctest -j "$jobs" --output-on-failure --timeout 600 --no-tests=error)

# The Debian package of that build, installed as a user installs it, and its QUILLRUN run once
# from outside the trees: a dump of the demo instance that must end complete.
(cd "$root/build" && cpack >/dev/null)
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
deb=$(ls "$root"/build/tidewell_*.deb)
$SUDO dpkg -i "$deb" >/dev/null || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -f -y -qq
installed_dump=$(mktemp -d)
(cd "$installed_dump" && ORALITE_HOME="$root/build/oralite" TIDEWELL_CONFIG_HOME="$installed_dump" \
   /usr/bin/QUILLRUN --src=DEMO --oraclu=DEMO --oraclp=demo --view_owned --dump --dest=demo.sql &&
   tail -n 1 demo.sql | grep -q '^-- Dump completed on ')
rm -rf "$installed_dump"

"$root/scripts/build.sh" "$root/build-asan" -DTW_SANITIZE=ON -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
   ctest -j "$jobs" --output-on-failure --timeout 900 --no-tests=error)

"$root/scripts/build.sh" "$root/build-clang" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTW_FUZZ=ON -DTW_BUILD_TESTS=ON -DTW_BUILD_BENCH=OFF
"$root/scripts/fuzz-smoke.sh" "$root/build-clang"
