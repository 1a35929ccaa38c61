#!/usr/bin/env bash
# The conversion run's own cost: a mixed table (integers, decimals, a 40-character text, a date, a
# column with NULLs) in the embedded Oracle, converted into a dump file, next to reading the same
# table alone through the Oracle classes and writing the same rows alone into a dump.  Each figure
# is the median of RUNS paired runs (default 3) in one sitting on the same rows; the end-to-end
# rate should be at least 60% of the slower half.  Peak resident size is compared between 100,000
# and 1,000,000 rows (flat: within 1.2x).  Outside the test suite.
#
#   bench/conversion-bench.sh [BUILD_DIR]        (ROWS=n and RUNS=n override the defaults)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
rows=${ROWS:-1000000}
runs=${RUNS:-3}
command -v sqlite3 >/dev/null || { echo "sqlite3 shell not found" >&2; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" conversion_bench_tool oralite >/dev/null
tool=$build/bench/conversion_bench_tool
oralite=$build/bin/oralite

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make_instance DIR N: an instance with the mixed table of N rows.
make_instance() {
    local inst=$1 n=$2
    "$oralite" create "$inst" >/dev/null
    "$oralite" user "$inst" BENCH bench >/dev/null
    cat >"$work/schema.sql" <<'SQL'
CREATE TABLE MIXED (
  ID NUMBER(10) NOT NULL,
  QTY NUMBER(9),
  PRICE NUMBER(12,2),
  NAME VARCHAR2(40),
  CREATED DATE,
  NOTE VARCHAR2(20),
  CONSTRAINT MIXED_PK PRIMARY KEY (ID)
);
SQL
    "$oralite" run "$inst" BENCH bench "$work/schema.sql" >/dev/null
    # Straight into the schema's SQLite file: a million INSERT statements through the loader
    # would measure the loader.
    sqlite3 "$inst/BENCH.db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n
      WHERE i < $n) INSERT INTO MIXED SELECT i, i % 1000, i + 0.25,
      'customer name number ' || i, '2024-03-01 12:34:56',
      CASE WHEN i % 3 = 0 THEN NULL ELSE 'note' END FROM n;"
}

field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

make_instance "$work/BIG" "$rows"
make_instance "$work/SMALL" $((rows / 10))

: >"$work/read" ; : >"$work/write" ; : >"$work/convert"
for _ in $(seq "$runs"); do
    "$tool" read "$work/BIG" BENCH bench MIXED | field rows_per_s >>"$work/read"
    "$tool" write "$rows" "$work/alone.sql" >"$work/w.txt"
    field rows_per_s <"$work/w.txt" >>"$work/write"
    field mb_per_s <"$work/w.txt" >>"$work/write_mb"
    "$tool" convert "$work/BIG" BENCH bench MIXED "$work/run.sql" >"$work/c.txt"
    field rows_per_s <"$work/c.txt" >>"$work/convert"
    field mb_per_s <"$work/c.txt" >>"$work/convert_mb"
done
read_r=$(median <"$work/read")
write_r=$(median <"$work/write")
write_mb=$(median <"$work/write_mb")
conv_r=$(median <"$work/convert")
conv_mb=$(median <"$work/convert_mb")
rss_big=$(field peak_rss_kb <"$work/c.txt")
rss_small=$("$tool" convert "$work/SMALL" BENCH bench MIXED "$work/small.sql" | field peak_rss_kb)

awk -v rows="$rows" -v rd="$read_r" -v wr="$write_r" -v wmb="$write_mb" -v cv="$conv_r" \
    -v cmb="$conv_mb" -v big="$rss_big" -v small="$rss_small" 'BEGIN {
    slower = rd < wr ? rd : wr
    printf "rows: %d (medians of paired runs)\n", rows
    printf "reading alone (Oracle classes):  %9.0f rows/s\n", rd
    printf "writing alone (dump):            %9.0f rows/s  %6.1f MB/s\n", wr, wmb
    printf "conversion run (Oracle -> dump): %9.0f rows/s  %6.1f MB/s\n", cv, cmb
    printf "run / slower half: %.2f (target >= 0.60)\n", cv / slower
    printf "peak RSS: %d KiB at %d rows, %d KiB at %d rows: %.2fx (target <= 1.20)\n",
           small, rows / 10, big, rows, big / small
    exit (cv / slower >= 0.6 && big / small <= 1.2) ? 0 : 1 }'
