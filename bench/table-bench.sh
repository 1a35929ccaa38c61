#!/usr/bin/env bash
# QUILLRUN on tables that look like users' data, side by side with the reference tools on the
# same rows, in one sitting.  The tables, made in the embedded Oracle (bench/bench-instance.sh):
#   MIXED       the benchmark's own table (ROWS rows)
#   REAL_MIXED  NUMBER(10), NUMBER(12,2), a VARCHAR2(100) of which a quarter of the words are not
#               ASCII, a DATE, a TIMESTAMP(6), a VARCHAR2(40) NULL in 30% of the rows (ROWS rows)
#   WIDE        40 columns of those kinds and binary doubles (ROWS/4 rows)
#   TIMESTAMPS  an id and a TIMESTAMP(6), distinct in every row (ROWS rows)
#   LOBS        2,000 rows of a 100 KB CLOB and a 100 KB BLOB
#   BIG_BLOBS   BLOBS rows (default 8) of a 20 MB BLOB
# The same rows are put into a private MariaDB once, by QUILLRUN itself (untimed), and exported
# there with SELECT ... INTO OUTFILE.  For each table, RUNS times (default 5), back to back:
#   QUILLRUN --dump                          vs  mariadb-dump (--hex-blob for the LOB tables)
#   QUILLRUN into the server                 vs  `mariadb < dump` of QUILLRUN's own dump
#                                            and LOAD DATA INFILE of the exported rows
# (the LOB tables only the first pair).  Printed: medians of the runs' rates, the median of the
# per-pair ratios of rates (ours over the reference's), and the largest peak RSS of each side.
# Every timing is the wall time of a whole process.  Outside the test suite.
#
#   bench/table-bench.sh [BUILD_DIR]     (Release build, default build-bench/; ROWS, RUNS, BLOBS)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
rows=${ROWS:-1000000}
runs=${RUNS:-5}
blobs=${BLOBS:-8}
for tool in sqlite3 bc /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "$tool not found" >&2; exit 2; }
done
dumper=$(command -v mariadb-dump || command -v mysqldump) || { echo "no mariadb-dump" >&2; exit 2; }
load_before=$(uptime | sed 's/.*load average: //')

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" QUILLRUN oralite >/dev/null
quillrun=$build/bin/QUILLRUN
oralite=$build/bin/oralite

# shellcheck source=bench/bench-instance.sh
. "$root/bench/bench-instance.sh"
start_server
export ORALITE_HOME=$work/home TIDEWELL_CONFIG_HOME=$work/config
inst=$ORALITE_HOME/BIG
make_instance "$inst" "$rows"
make_real_tables "$inst" "$rows" "$blobs"
client -e "SET GLOBAL max_allowed_packet = 1073741824"

ours=("$quillrun" --src=BIG --oraclu=BENCH --oraclp=bench --view_owned --silent)
to_server=(--mysqlh="$TW_MYSQL_HOST" --myport="$TW_MYSQL_PORT" --mysqlu="$TW_MYSQL_USER"
    --mysqlp="$TW_MYSQL_PASSWORD")
sock=(--no-defaults --socket="$TW_MYSQL_SOCKET" -uroot --max-allowed-packet=1G)
count() { client -N -B -e "SELECT COUNT(*) FROM $1"; }
# timed NAME CMD...: runs CMD once the machine has settled, its output into the bin; appends its
# wall time to $work/NAME and its peak RSS (KiB) to $work/NAME.rss.
timed() {
    local name=$1 t0 t1
    shift
    settle
    t0=$(date +%s.%N)
    /usr/bin/time -o "$work/rss" -f %M "$@" >/dev/null
    t1=$(date +%s.%N)
    echo "$t1 - $t0" | bc -l >>"$work/$name"
    tail -1 "$work/rss" >>"$work/$name.rss"
}
# fresh_outputs TABLE: removes both sides' dumps of the last run, outside the timings.  Left in
# place, each side paid for the file system freeing the old file's blocks, and not alike: ours
# replaced its own dump of the same table, the reference truncated whichever table's dump came
# before (for MIXED, that of the 20 MB BLOBs).  This disk is mounted with `discard`, and the
# freeing took 30-220 ms of a run of well under a second.
fresh_outputs() {
    rm -f "$work/$1.sql" "$work/ref.sql"
    sync
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# ratio OURS REF: the median of the pairs' ratios of rates (the reference's time over ours).
ratio() { paste "$work/$1" "$work/$2" | awk '{ print $2 / $1 }' | median; }
maxrss() { sort -n "$work/$1.rss" | tail -1; }

tables=(MIXED REAL_MIXED WIDE TIMESTAMPS)
lob_tables=(LOBS BIG_BLOBS)
client -e "CREATE DATABASE bench_ref"
for t in "${tables[@]}" "${lob_tables[@]}"; do
    echo "$t" >"$work/$t.tab"
    "${ours[@]}" --tab_file="$work/$t.tab" "${to_server[@]}" --dest=bench_ref
done
for t in "${tables[@]}"; do
    client -e "SELECT * FROM bench_ref.$t INTO OUTFILE '$work/$t.tsv'"
done

for _ in $(seq "$runs"); do
    for t in "${tables[@]}"; do
        n=$(count "bench_ref.$t")
        fresh_outputs "$t"
        timed "$t.dump" "${ours[@]}" --tab_file="$work/$t.tab" --dump --dest="$work/$t.sql"
        timed "$t.refdump" sh -c "\"$dumper\" ${sock[*]} bench_ref $t >\"$work/ref.sql\""
        # Every side starts from an empty database made outside its timing: the live run must
        # not pay for dropping the previous run's table when the replay does not.
        client -e "DROP DATABASE IF EXISTS bench_live; CREATE DATABASE bench_live"
        timed "$t.live" "${ours[@]}" --tab_file="$work/$t.tab" "${to_server[@]}" --dest=bench_live
        client -e "DROP DATABASE IF EXISTS bench_replay; CREATE DATABASE bench_replay"
        timed "$t.replay" sh -c "\"$TW_MYSQL_CLIENT\" ${sock[*]} bench_replay <\"$work/$t.sql\""
        client -e "DROP DATABASE IF EXISTS bench_load; CREATE DATABASE bench_load;
            CREATE TABLE bench_load.$t LIKE bench_ref.$t"
        timed "$t.load" "$TW_MYSQL_CLIENT" "${sock[@]}" -e "LOAD DATA INFILE '$work/$t.tsv' INTO TABLE bench_load.$t"
        for db in bench_live bench_replay bench_load; do
            [ "$(count "$db.$t")" = "$n" ] || { echo "$db.$t does not hold $n rows" >&2; exit 1; }
        done
        echo "$n" >"$work/$t.rows"
    done
    for t in "${lob_tables[@]}"; do
        fresh_outputs "$t"
        timed "$t.dump" "${ours[@]}" --tab_file="$work/$t.tab" --dump --dest="$work/$t.sql"
        timed "$t.refdump" sh -c "\"$dumper\" ${sock[*]} --hex-blob bench_ref $t >\"$work/ref.sql\""
        stat -c %s "$work/$t.sql" >"$work/$t.bytes"
        stat -c %s "$work/ref.sql" >"$work/$t.refbytes"
    done
done

echo "medians of $runs paired runs; ratio = median of the pairs' ratios of rates (ours / reference)"
echo "machine load before: $load_before"
echo "machine load after:  $(uptime | sed 's/.*load average: //')"
printf "%-11s %9s  %-13s %10s  %-22s %10s %6s %7s %10s %10s\n" table rows work "ours/s" reference \
    "ref/s" ratio target "RSS ours" "RSS ref"
for t in "${tables[@]}"; do
    n=$(cat "$work/$t.rows")
    line() {
        awk -v t="$t" -v n="$n" -v w="$1" -v ref="$2" -v a="$(median <"$work/$t.$3")" \
            -v b="$(median <"$work/$t.$4")" -v r="$(ratio "$t.$3" "$t.$4")" -v goal="$5" \
            -v ra="$(maxrss "$t.$3")" -v rb="$(maxrss "$t.$4")" 'BEGIN {
            printf "%-11s %9d  %-13s %10.0f  %-22s %10.0f %5.2fx %7s %7d KiB %6d KiB%s\n", t, n, w,
                n / a, ref, n / b, r, (goal == "" ? "" : ">= " goal), ra, rb, (goal != "" && r < goal ? "  MISSED" : "") }'
    }
    line "--dump" "mariadb-dump" dump refdump 2.0
    line "live" "mariadb < dump" live replay 1.2
    line "live" "LOAD DATA INFILE" live load ""
done
for t in "${lob_tables[@]}"; do
    awk -v t="$t" -v a="$(median <"$work/$t.dump")" -v b="$(median <"$work/$t.refdump")" \
        -v r="$(ratio "$t.dump" "$t.refdump")" -v ab="$(cat "$work/$t.bytes")" \
        -v bb="$(cat "$work/$t.refbytes")" -v ra="$(maxrss "$t.dump")" \
        -v rb="$(maxrss "$t.refdump")" 'BEGIN {
        printf "%-11s %9s  %-13s %7.1f MB/s  %-22s %7.1f MB/s %5.2fx %7s %7d KiB %6d KiB\n", t, "",
            "--dump", ab / 1e6 / a, "mariadb-dump --hex-blob", bb / 1e6 / b, r, "", ra, rb }'
done
