#!/bin/sh
# Peak memory and time of `oralite run` loading a generated script of N single-row INSERTs
# (default 4,000,000). Usage: bench/oralite-load-bench.sh [BUILD_DIR] [ROWS]
set -eu
build=${1:-build}
rows=${2:-4000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/oralite" create "$work/inst"
"$build/bin/oralite" user "$work/inst" APP app
awk -v n="$rows" 'BEGIN {
    print "CREATE TABLE b (id NUMBER, name VARCHAR2(40));"
    for (i = 0; i < n; i++) printf "INSERT INTO b VALUES (%d, '\''row number %d'\'');\n", i, i
}' > "$work/load.sql"
ls -l "$work/load.sql"
/usr/bin/time -f "peak %M KiB, %e s" "$build/bin/oralite" run "$work/inst" APP app "$work/load.sql"
