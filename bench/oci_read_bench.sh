#!/usr/bin/env bash
# Reads a table of narrow rows (1,000,000 by default) through the OCI interface, with
# `oralite query`, and through the sqlite3 shell reading the same SQLite table, and compares the
# times. The interface should stay within 3x of the shell; the script exits 1 when it does not.
#
# usage: bench/oci_read_bench.sh [BUILD_DIR]      (ROWS=n and RUNS=n override the defaults)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
oralite=$build/bin/oralite
rows=${ROWS:-1000000}
runs=${RUNS:-3}
limit=3

command -v sqlite3 >/dev/null || { echo "sqlite3 shell not found" >&2; exit 2; }
[ -x "$oralite" ] || { echo "$oralite not built" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inst=$work/BENCH
"$oralite" create "$inst" >/dev/null
"$oralite" user "$inst" BENCH bench >/dev/null
cat >"$work/schema.sql" <<'SQL'
CREATE TABLE NARROW (
  ID NUMBER(10) NOT NULL,
  NAME VARCHAR2(20),
  AMOUNT NUMBER(10,2),
  CONSTRAINT NARROW_PK PRIMARY KEY (ID)
);
SQL
"$oralite" run "$inst" BENCH bench "$work/schema.sql" >/dev/null
# The rows go straight into the schema's SQLite file: a million INSERT statements through the
# loader would measure the loader, not the read path.
sqlite3 "$inst/BENCH.db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n
  WHERE i < $rows) INSERT INTO NARROW SELECT i, 'name-' || i, i * 1.25 FROM n;"

now() { date +%s.%N; }
# Best wall time of $runs runs of a command whose output is discarded.
best() {
    local best_t=""
    for _ in $(seq "$runs"); do
        local t0 t1
        t0=$(now)
        "$@" >/dev/null
        t1=$(now)
        best_t=$(awk -v a="$t0" -v b="$t1" -v c="$best_t" 'BEGIN {
            d = b - a; if (c == "" || d < c) print d; else print c }')
    done
    echo "$best_t"
}

query="SELECT ID, NAME, AMOUNT FROM NARROW"
n_oci=$("$oralite" query "$inst" BENCH bench "$query" | wc -l)
n_sql=$(sqlite3 -batch -noheader -separator $'\t' "$inst/BENCH.db" "$query" | wc -l)
if [ "$n_oci" != "$rows" ] || [ "$n_sql" != "$rows" ]; then
    echo "row counts differ: interface $n_oci, shell $n_sql, expected $rows" >&2
    exit 1
fi

t_oci=$(best "$oralite" query "$inst" BENCH bench "$query")
t_sql=$(best sqlite3 -batch -noheader -separator $'\t' "$inst/BENCH.db" "$query")
ratio=$(awk -v a="$t_oci" -v b="$t_sql" 'BEGIN { printf "%.2f", a / b }')
printf 'rows: %d\ninterface (oralite query): %.3f s\nsqlite3 shell: %.3f s\nratio: %sx (target <= %dx)\n' \
    "$rows" "$t_oci" "$t_sql" "$ratio" "$limit"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit (r <= l) ? 0 : 1 }'
