#!/usr/bin/env bash
# The installed programs on their own: the build is installed into a staging prefix, the demo
# instance is made there with the installed oralite, and the installed QUILLRUN runs from a folder
# outside the source and build trees, into a dump file and, when the private test server runs,
# into that server as well.  Every table must arrive with all its rows.
#
#   installed_run.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
stage=$(mktemp -d "${TMPDIR:-/tmp}/tw-installed-XXXXXX")
databases=()
cleanup() {
  for db in "${databases[@]}"; do client -e "DROP DATABASE IF EXISTS \`$db\`" || true; done
  rm -rf "$stage"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$stage/prefix"
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
for f in bin/QUILLRUN bin/tabshift bin/oralite share/tidewell/help/index.html; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
for f in sql.map sql.typ; do
  cmp -s "$src/data/$f" "$prefix/share/tidewell/$f" || fail "share/tidewell/$f differs from data/$f"
done
# The programs find their files in share/tidewell, not beside themselves.
for f in sql.map sql.typ help; do
  [ ! -e "$prefix/bin/$f" ] || fail "bin/$f installed beside the programs"
done

cp "$src/samples/demo/demo_schema.sql" "$stage/"
cd "$stage"
export ORALITE_HOME="$stage/home"
export TIDEWELL_CONFIG_HOME="$stage/config"
instance="$ORALITE_HOME/DEMO"
"$prefix/bin/oralite" create "$instance" >/dev/null
"$prefix/bin/oralite" user "$instance" DEMO demo >/dev/null
"$prefix/bin/oralite" run "$instance" DEMO demo demo_schema.sql >/dev/null
query() { "$prefix/bin/oralite" query DEMO DEMO demo "$1"; }
tables=$(query 'select table_name from user_tables order by table_name')
[ -n "$tables" ] || fail "the demo instance holds no table"

source_args=(--src=DEMO --oraclu=DEMO --oraclp=demo --view_owned)
status=0
"$prefix/bin/QUILLRUN" "${source_args[@]}" --dump --dest=demo.sql >dump-run.txt 2>&1 || status=$?
[ "$status" = 0 ] || { cat dump-run.txt >&2; fail "the dump run ended with status $status"; }
tail -n 1 demo.sql | grep -q '^-- Dump completed on ' || fail "the dump is not complete"
for table in $tables; do
  grep -q "^CREATE TABLE \`$table\`" demo.sql || fail "the dump does not create $table"
done

env_file="$build/mariadb-test/env"
if [ ! -f "$env_file" ]; then
  echo "The private MariaDB server is not running; only the dump was checked."
  exit 0
fi
# shellcheck disable=SC1090
. "$env_file"
client() { "$TW_MYSQL_CLIENT" --no-defaults --socket="$TW_MYSQL_SOCKET" -uroot -N -B "$@"; }
live="tw_installed_live_$$"
replayed="tw_installed_dump_$$"
databases=("$live" "$replayed")
"$prefix/bin/QUILLRUN" "${source_args[@]}" --dest="$live" --mysqlh="$TW_MYSQL_HOST" \
  --myport="$TW_MYSQL_PORT" --mysqlu="$TW_MYSQL_USER" --mysqlp="$TW_MYSQL_PASSWORD" \
  >live-run.txt 2>&1 || status=$?
[ "$status" = 0 ] || { cat live-run.txt >&2; fail "the live run ended with status $status"; }
client -e "CREATE DATABASE \`$replayed\`"
client "$replayed" <demo.sql || fail "the dump does not replay"

for table in $tables; do
  want=$(query "select count(*) from \"$table\"")
  got_live=$(client -e "select count(*) from \`$live\`.\`$table\`")
  got_dump=$(client -e "select count(*) from \`$replayed\`.\`$table\`")
  [ "$want" = "$got_live" ] && [ "$want" = "$got_dump" ] ||
    fail "$table: $want rows in the source, $got_live in the server, $got_dump from the dump"
done
echo "Every table arrived with all its rows, live and through the dump."
