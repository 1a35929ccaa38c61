#!/usr/bin/env bash
# Writes 1,000,000 mixed rows into a private MariaDB through the live batched path and replays a
# dump of the same rows with the command-line client; prints both rates and their ratio (the
# live path should reach at least 0.9 of the replay).  Outside the test suite.
#   bench/live-bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" live_append_bench >/dev/null
server=$(mktemp -d)
trap 'bash "$root/scripts/mariadb-test-server.sh" stop "$server" >/dev/null 2>&1; rm -rf "$server"' EXIT
bash "$root/scripts/mariadb-test-server.sh" start "$server"
set -a
# shellcheck disable=SC1091
. "$server/env"
set +a
"$build/bench/live_append_bench" --benchmark_format=json >"$server/result.json"
python3 - "$server/result.json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b["rows/s"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
live, replay = runs["BM_live_batched"], runs["BM_dump_replay"]
print(f"live batched: {live:,.0f} rows/s")
print(f"dump replay:  {replay:,.0f} rows/s")
print(f"ratio live/replay: {live / replay:.2f} (target >= 0.90)")
PY
