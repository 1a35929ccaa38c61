#!/usr/bin/env bash
# The value road measured against the reference tools, side by side in one sitting on the same
# rows.  The mixed table (ID, QTY, PRICE NUMBER(12,2), a 40-character NAME, a DATE, a NOTE that is
# NULL in every third row) of ROWS rows (default 1,000,000) is made in the embedded Oracle and the
# same rows are loaded into a private MariaDB; the LOB table has 2,000 rows of a 100 KB CLOB and a
# 100 KB BLOB.  Printed:
#   1. Oracle -> dump through the project's classes (the conversion run)  vs  mariadb-dump
#   2. reading alone through the Oracle classes (typed records)           vs  the sqlite3 shell
#   3. writing alone, records already in memory, MB/s of dump
#   4. the LOB table into a dump                                           vs  mariadb-dump --hex-blob
#   5. peak resident size of the conversion run at ROWS/10 and ROWS rows
# Every timing is the wall time of a whole process, ours and the reference's alike; each comparison
# runs its pair back to back RUNS times (default 5) and reports medians and the median of the
# per-pair ratios.  MB is 10^6 bytes throughout.  Outside the test suite.
#
#   bench/road-bench.sh [BUILD_DIR]     (Release build, default build-bench/; ROWS=n, RUNS=n)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
rows=${ROWS:-1000000}
runs=${RUNS:-5}
for tool in sqlite3 bc /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
done
dumper=$(command -v mariadb-dump || command -v mysqldump) || { echo "no mariadb-dump" >&2; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" conversion_bench_tool oralite >/dev/null
tool=$build/bench/conversion_bench_tool
oralite=$build/bin/oralite

# shellcheck source=bench/bench-instance.sh
. "$root/bench/bench-instance.sh"
start_server

make_instance "$work/BIG" "$rows"
make_instance "$work/SMALL" $((rows / 10))

# The same rows in the server, loaded from the SQLite file.
db=$work/BIG/BENCH.db
sqlite3 -batch -noheader -separator $'\t' -nullvalue '\N' "$db" "SELECT * FROM MIXED" >"$work/mixed.tsv"
sqlite3 -batch -noheader -separator $'\t' "$db" "SELECT ID, DOC, hex(PIC) FROM LOBS" >"$work/lobs.tsv"
client --local-infile=1 -e "SET GLOBAL local_infile = 1; CREATE DATABASE bench;
  CREATE TABLE bench.MIXED (ID BIGINT NOT NULL PRIMARY KEY, QTY INT, PRICE DECIMAL(12,2),
    NAME VARCHAR(40), CREATED DATETIME, NOTE VARCHAR(20)) CHARACTER SET utf8mb4;
  CREATE TABLE bench.LOBS (ID BIGINT NOT NULL PRIMARY KEY, DOC LONGTEXT, PIC LONGBLOB)
    CHARACTER SET utf8mb4;
  LOAD DATA LOCAL INFILE '$work/mixed.tsv' INTO TABLE bench.MIXED;
  LOAD DATA LOCAL INFILE '$work/lobs.tsv' INTO TABLE bench.LOBS (ID, DOC, @pic)
    SET PIC = UNHEX(@pic);"
rm -f "$work/mixed.tsv" "$work/lobs.tsv"
count=$(client -N -B -e "SELECT COUNT(*) FROM bench.MIXED")
[ "$count" = "$rows" ] || { echo "server holds $count rows, expected $rows" >&2; exit 1; }
settle

# seconds OUT CMD...: runs CMD with its output into OUT, prints the wall time.
seconds() {
    local out=$1 t0 t1
    shift
    t0=$(date +%s.%N)
    "$@" >"$out"
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p"; }
refdump() { "$dumper" --no-defaults --socket="$TW_MYSQL_SOCKET" -uroot "$@"; }

for _ in $(seq "$runs"); do
    settle
    seconds /dev/null "$tool" convert "$work/BIG" BENCH bench MIXED "$work/ours.sql" >>"$work/conv"
    seconds "$work/ref.sql" refdump bench MIXED >>"$work/conv_ref"
    seconds /dev/null "$tool" read "$work/BIG" BENCH bench MIXED >>"$work/read"
    seconds /dev/null sqlite3 -batch -noheader "$db" "SELECT * FROM MIXED" >>"$work/read_ref"
    "$tool" write "$rows" "$work/alone.sql" | field mb_per_s >>"$work/write_mb"
    seconds /dev/null "$tool" convert "$work/BIG" BENCH bench LOBS "$work/lobs.sql" >>"$work/lob"
    seconds "$work/lobs_ref.sql" refdump --hex-blob bench LOBS >>"$work/lob_ref"
done
paste "$work/conv" "$work/conv_ref" | awk '{ print $2 / $1 }' >"$work/conv_ratio"
paste "$work/read" "$work/read_ref" | awk '{ print $2 / $1 }' >"$work/read_ratio"
paste "$work/lob" "$work/lob_ref" | awk '{ print $2 / $1 }' >"$work/lob_ratio"
ours_mb=$(stat -c %s "$work/ours.sql")
ref_mb=$(stat -c %s "$work/ref.sql")
lob_mb=$(stat -c %s "$work/lobs.sql")
lob_ref_mb=$(stat -c %s "$work/lobs_ref.sql")
rss_big=$("$tool" convert "$work/BIG" BENCH bench MIXED "$work/ours.sql" | field peak_rss_kb)
rss_small=$("$tool" convert "$work/SMALL" BENCH bench MIXED "$work/small.sql" | field peak_rss_kb)

awk -v rows="$rows" -v runs="$runs" \
    -v conv="$(median <"$work/conv")" -v conv_ref="$(median <"$work/conv_ref")" \
    -v conv_ratio="$(median <"$work/conv_ratio")" -v ours_b="$ours_mb" -v ref_b="$ref_mb" \
    -v rd="$(median <"$work/read")" -v rd_ref="$(median <"$work/read_ref")" \
    -v rd_ratio="$(median <"$work/read_ratio")" -v wmb="$(median <"$work/write_mb")" \
    -v lob="$(median <"$work/lob")" -v lob_ref="$(median <"$work/lob_ref")" \
    -v lob_ratio="$(median <"$work/lob_ratio")" -v lob_b="$lob_mb" -v lob_ref_b="$lob_ref_mb" \
    -v big="$rss_big" -v small="$rss_small" 'BEGIN {
    printf "mixed table: %d rows; medians of %d paired runs; ratio = our rate / reference rate\n\n",
           rows, runs
    printf "%-34s %21s %21s %7s %8s\n", "work", "ours", "reference", "ratio", "target"
    printf "%-34s %6.2f s %6.0fk rows/s %6.2f s %6.0fk rows/s %6.2fx %8s\n",
           "Oracle -> dump vs mariadb-dump", conv, rows / conv / 1000, conv_ref,
           rows / conv_ref / 1000, conv_ratio, ">= 1.00"
    printf "%-34s %6.1f MB %6.1f MB/s    %6.1f MB %6.1f MB/s\n", "  dump size and rate",
           ours_b / 1e6, ours_b / 1e6 / conv, ref_b / 1e6, ref_b / 1e6 / conv_ref
    printf "%-34s %6.2f s %6.0fk rows/s %6.2f s %6.0fk rows/s %6.2fx %8s\n",
           "reading alone vs sqlite3 shell", rd, rows / rd / 1000, rd_ref, rows / rd_ref / 1000,
           rd_ratio, ">= 0.67"
    printf "%-34s %15.1f MB/s %21s %7s %8s\n", "writing alone (records in memory)", wmb, "", "",
           ">= 150"
    printf "%-34s %6.2f s %6.1f MB/s    %6.2f s %6.1f MB/s    %6.2fx %8s\n",
           "LOB table vs mariadb-dump --hex-blob", lob, lob_b / 1e6 / lob, lob_ref,
           lob_ref_b / 1e6 / lob_ref, lob_ratio, ">= 1.00"
    printf "%-34s %d KiB at %d rows, %d KiB at %d rows: %.2fx (flat: <= 1.20)\n", "peak RSS",
           small, rows / 10, big, rows, big / small }'
