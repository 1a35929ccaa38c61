#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job on the bundled demo schema.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DTW_BUILD_TESTS=OFF -DTW_BUILD_BENCH=OFF

# The build loads samples/demo/demo_schema.sql into the embedded Oracle instance below.
demo="$build/oralite/DEMO"
query() { "$build/bin/oralite" query "$demo" DEMO demo "$1"; }

echo "Demo Oracle instance: $demo (service DEMO, user DEMO, password demo)"
echo "Server: $(query 'select banner from v$version' | head -n 1)"
echo
printf '%-16s %8s\n' TABLE ROWS
for table in $(query 'select table_name from user_tables order by table_name'); do
  printf '%-16s %8s\n' "$table" "$(query "select count(*) from \"$table\"")"
done
echo
echo "Views: $(query 'select view_name from user_views order by view_name' | tr '\n' ' ')"
echo "Programs and tools in $build/bin: $(ls "$build/bin" | tr '\n' ' ')"
