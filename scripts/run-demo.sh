#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build" -DTW_BUILD_TESTS=OFF
echo "Built programs and tools:"
ls -1 "$root/build/bin"
