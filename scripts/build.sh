#!/usr/bin/env bash
# Configures and builds one build tree.  Usage: scripts/build.sh [BUILD_DIR] [CMAKE_ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
cmake -S "$root" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
