#!/usr/bin/env bash
# Runs every libFuzzer target of a clang build for a short, bounded time, so that the targets keep
# building and the readers they drive keep surviving them.  Usage: scripts/fuzz-smoke.sh BUILD_DIR
# [SECONDS].  A crash, a leak or a target that cannot start fails the run.
set -euo pipefail
build=$(cd "${1:?usage: fuzz-smoke.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-15}
targets=(lite_script_fuzz lite_sql_fuzz lite_expr_fuzz profile_fuzz)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  bin="$build/bin/$t"
  [ -x "$bin" ] || { echo "fuzz target $t was not built in $build" >&2; exit 1; }
  mkdir -p "$work/$t"
  echo "fuzz smoke: $t for ${seconds}s"
  (cd "$work" && "$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=30 "$work/$t" \
     >"$work/$t.log" 2>&1) || { tail -40 "$work/$t.log" >&2; echo "fuzz target $t failed" >&2; exit 1; }
  tail -1 "$work/$t.log"
done
