#!/usr/bin/env bash
# QUILLRUN as users run it, side by side with the reference tools on the same rows, in one
# sitting (medians of RUNS paired runs, default 3):
#   1. QUILLRUN into a live server            vs  replaying its dump with `mariadb < dump.sql`
#   2. QUILLRUN writing a dump                vs  mariadb-dump of the same table
#   3. a table of 2,000 rows with a 100 KB CLOB and a 100 KB BLOB each into a dump (MB/s)
#   4. peak resident size of QUILLRUN at ROWS/10 and ROWS rows (flat: within 1.2x)
# The mixed table has ROWS rows (default 1,000,000).  A private MariaDB is started for the run.
# Outside the test suite.
#
#   bench/agent-bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-bench"}
rows=${ROWS:-1000000}
runs=${RUNS:-3}
command -v sqlite3 >/dev/null || { echo "sqlite3 shell not found" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time not found (apt-get install time)" >&2; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$build" QUILLRUN oralite >/dev/null
quillrun=$build/bin/QUILLRUN
oralite=$build/bin/oralite

# shellcheck source=bench/bench-instance.sh
. "$root/bench/bench-instance.sh"
start_server
dumper=$(command -v mariadb-dump || command -v mysqldump)
export ORALITE_HOME=$work/home TIDEWELL_CONFIG_HOME=$work/config

echo MIXED >"$work/mixed.txt"
echo LOBS >"$work/lobs.txt"
make_instance "$ORALITE_HOME/BIG" "$rows"
make_instance "$ORALITE_HOME/SMALL" $((rows / 10))

args() { echo "--src=$1 --oraclu=BENCH --oraclp=bench --view_owned --silent"; }
server_args="--mysqlh=$TW_MYSQL_HOST --myport=$TW_MYSQL_PORT --mysqlu=$TW_MYSQL_USER --mysqlp=$TW_MYSQL_PASSWORD"
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

for _ in $(seq "$runs"); do
    settle
    # shellcheck disable=SC2046
    seconds "$quillrun" $(args BIG) $server_args --dest=bench_live --tab_file="$work/mixed.txt" >>"$work/live"
    settle
    # shellcheck disable=SC2046
    seconds "$quillrun" $(args BIG) --dump --dest="$work/mixed.sql" --tab_file="$work/mixed.txt" >>"$work/dump"
    settle
    seconds sh -c "\"$dumper\" --no-defaults --socket=\"$TW_MYSQL_SOCKET\" -uroot bench_live MIXED >\"$work/ref.sql\"" >>"$work/refdump"
    client -e "DROP DATABASE IF EXISTS bench_replay; CREATE DATABASE bench_replay"
    settle
    seconds sh -c "\"$TW_MYSQL_CLIENT\" --no-defaults --socket=\"$TW_MYSQL_SOCKET\" -uroot bench_replay <\"$work/mixed.sql\"" >>"$work/replay"
    # shellcheck disable=SC2046
    seconds "$quillrun" $(args BIG) --dump --dest="$work/lobs.sql" --tab_file="$work/lobs.txt" >>"$work/lobs"
done
lob_mb=$(stat -c %s "$work/lobs.sql")
# shellcheck disable=SC2046
rss_big=$( { /usr/bin/time -f %M "$quillrun" $(args BIG) --dump --dest="$work/m1.sql" --tab_file="$work/mixed.txt" >/dev/null; } 2>&1 | tail -1)
# shellcheck disable=SC2046
rss_small=$( { /usr/bin/time -f %M "$quillrun" $(args SMALL) --dump --dest="$work/m2.sql" --tab_file="$work/mixed.txt" >/dev/null; } 2>&1 | tail -1)
count=$(client -N -B -e "select count(*) from bench_replay.MIXED")
[ "$count" = "$rows" ] || { echo "replayed $count rows, expected $rows" >&2; exit 1; }

# Each pair's ratio, reference time over ours; the medians of these are the reported ratios.
paste "$work/live" "$work/replay" | awk '{ print $2 / $1 }' >"$work/live_ratio"
paste "$work/dump" "$work/refdump" | awk '{ print $2 / $1 }' >"$work/dump_ratio"
paste "$work/live" "$work/replay" "$work/dump" "$work/refdump" | awk '{
    printf "pair %d: live %.2f s, replay %.2f s; dump %.2f s, mariadb-dump %.2f s (%.2fx)\n",
           NR, $1, $2, $3, $4, $4 / $3 }'
awk -v rows="$rows" -v live="$(median <"$work/live")" -v replay="$(median <"$work/replay")" \
    -v dump="$(median <"$work/dump")" -v ref="$(median <"$work/refdump")" \
    -v live_ratio="$(median <"$work/live_ratio")" -v dump_ratio="$(median <"$work/dump_ratio")" \
    -v lobs="$(median <"$work/lobs")" -v lob_bytes="$lob_mb" -v big="$rss_big" -v small="$rss_small" 'BEGIN {
    printf "rows: %d (medians of the runs, and of the per-pair ratios)\n", rows
    printf "QUILLRUN into the server:   %8.0f rows/s   mariadb < dump: %8.0f rows/s   ratio %.2f (target >= 0.90)\n",
           rows / live, rows / replay, live_ratio
    printf "QUILLRUN writing a dump:    %8.0f rows/s   mariadb-dump:   %8.0f rows/s   ratio %.2f (target >= 1.50)\n",
           rows / dump, rows / ref, dump_ratio
    printf "LOB table into a dump:      %8.1f MB/s (target >= 50)\n", lob_bytes / 1e6 / lobs
    printf "peak RSS: %d KiB at %d rows, %d KiB at %d rows: %.2fx (target <= 1.20)\n",
           small, rows / 10, big, rows, big / small }'
