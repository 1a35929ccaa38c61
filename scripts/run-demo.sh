#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: QUILLRUN migrates the bundled demo schema
# from the embedded Oracle into a private MariaDB server of its own and into a dump file, then
# shows each table's rows in the source beside the destination's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF

# The build loads samples/demo/demo_schema.sql into the embedded Oracle instance DEMO.
export ORALITE_HOME="$build/oralite"
# The agent's settings stay inside the build tree, away from the user's own.
export TIDEWELL_CONFIG_HOME="$build/demo-config"
server="$build/demo-mariadb"
dump="$build/demo-dump.sql"
database=demo_shop

"$root/scripts/mariadb-test-server.sh" start "$server" >/dev/null
trap '"$root/scripts/mariadb-test-server.sh" stop "$server" >/dev/null' EXIT
# shellcheck disable=SC1091
. "$server/env"
client() { "$TW_MYSQL_CLIENT" --no-defaults --socket="$TW_MYSQL_SOCKET" -uroot -N -B "$@"; }

source_args=(--src=DEMO --oraclu=DEMO --oraclp=demo --view_owned)
echo "== QUILLRUN into the MariaDB server on $TW_MYSQL_HOST:$TW_MYSQL_PORT, database $database"
"$build/bin/QUILLRUN" "${source_args[@]}" --dest="$database" --mysqlh="$TW_MYSQL_HOST" \
    --myport="$TW_MYSQL_PORT" --mysqlu="$TW_MYSQL_USER" --mysqlp="$TW_MYSQL_PASSWORD"
echo
echo "== QUILLRUN into the dump file $dump"
"$build/bin/QUILLRUN" "${source_args[@]}" --dump --dest="$dump"
echo

# The dump is replayed into a second database, so its rows can be counted as well.
client -e "DROP DATABASE IF EXISTS demo_from_dump; CREATE DATABASE demo_from_dump"
client demo_from_dump <"$dump"

query() { "$build/bin/oralite" query "$ORALITE_HOME/DEMO" DEMO demo "$1"; }
printf '%-16s %10s %10s %10s\n' TABLE ORACLE SERVER DUMP
status=0
for table in $(query 'select table_name from user_tables order by table_name'); do
    source_rows=$(query "select count(*) from \"$table\"")
    server_rows=$(client -e "select count(*) from $database.\`$table\`")
    dump_rows=$(client -e "select count(*) from demo_from_dump.\`$table\`")
    printf '%-16s %10s %10s %10s\n' "$table" "$source_rows" "$server_rows" "$dump_rows"
    [ "$source_rows" = "$server_rows" ] && [ "$source_rows" = "$dump_rows" ] || status=1
done
echo
echo "Dump file: $dump"
[ "$status" = 0 ] && echo "Every table arrived with all its rows." || echo "Row counts differ." >&2
exit "$status"
