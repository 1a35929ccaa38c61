#!/usr/bin/env bash
# A private MariaDB server for the test suite: its own data directory, socket and loopback port
# under DIR, never the machine's shared service.
#
#   mariadb-test-server.sh start DIR [--soft]   start a fresh server, write DIR/env
#   mariadb-test-server.sh stop DIR             stop it and remove its data
#
# DIR/env holds shell assignments the tests read:
#   TW_MYSQL_HOST, TW_MYSQL_PORT, TW_MYSQL_SOCKET  where the server listens
#   TW_MYSQL_USER, TW_MYSQL_PASSWORD               a user with every privilege and a password
# When the server cannot start, DIR/env is not written and DIR/status says why; with --soft the
# script still exits 0 so that the tests run and skip themselves with that reason (not when CI is
# "true" or TW_TESTS_NEED_SERVER is 1: there the start fails and the tests that need the server
# fail with it).
set -uo pipefail

cmd=${1:-}
dir=${2:-}
soft=0
[ "${3:-}" = "--soft" ] && soft=1
# Continuous integration installs the server with the project: there a server that does not
# start is a failure, not a reason to skip.
[ "${CI:-}" = "true" ] && soft=0
[ "${TW_TESTS_NEED_SERVER:-}" = 1 ] && soft=0
if [ -z "$cmd" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR [--soft]" >&2
  exit 2
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
data="$dir/data"
sock="$dir/mysqld.sock"
# A unix socket path must fit in 108 bytes; deep build trees get one under /tmp instead.
if [ ${#sock} -gt 100 ]; then
  sock="/tmp/tw-mdb-$(echo "$dir" | md5sum | cut -c1-12).sock"
fi
pidf="$dir/mysqld.pid"
log="$dir/mysqld.err"
envf="$dir/env"
statusf="$dir/status"

user=tw_test
password=tw-secret-7

find_bin() {
  for b in "$@"; do
    command -v "$b" >/dev/null 2>&1 && { command -v "$b"; return 0; }
    [ -x "/usr/sbin/$b" ] && { echo "/usr/sbin/$b"; return 0; }
  done
  return 1
}

stop_server() {
  if [ -f "$pidf" ]; then
    local pid
    pid=$(cat "$pidf" 2>/dev/null || true)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$pidf"
  fi
}

fail() {
  echo "mariadb test server could not start: $1" | tee "$statusf" >&2
  [ -f "$log" ] && tail -n 20 "$log" >&2
  stop_server
  if [ "$soft" = 1 ]; then exit 0; fi
  exit 1
}

port_in_use() {
  ss -ltnH 2>/dev/null | awk '{print $4}' | grep -q ":$1\$"
}

case "$cmd" in
  stop)
    stop_server
    rm -rf "$data" "$dir/tmp" "$envf" "$sock" "$statusf"
    echo "mariadb test server stopped"
    exit 0
    ;;
  start) ;;
  *)
    echo "usage: $0 start|stop DIR [--soft]" >&2
    exit 2
    ;;
esac

stop_server
rm -rf "$data" "$envf" "$statusf" "$sock" "$log"
mkdir -p "$data"

server=$(find_bin mariadbd mysqld) || fail "mariadbd is not installed"
installer=$(find_bin mariadb-install-db mysql_install_db) || fail "mariadb-install-db is not installed"
client=$(find_bin mariadb mysql) || fail "the mariadb client is not installed"

run_as=()
[ "$(id -u)" -eq 0 ] && run_as=(--user=root)

# Each server keeps its temporary tables in a folder of its own: installs running side by side
# in the shared /tmp name theirs alike and drop each other's ("Unknown table
# 'mysql.tmp_user_sys'").
tmp="$dir/tmp"
rm -rf "$tmp" && mkdir -p "$tmp"
"$installer" --no-defaults --datadir="$data" --tmpdir="$tmp" "${run_as[@]}" \
  --auth-root-authentication-method=normal --skip-test-db </dev/null >"$dir/install.log" 2>&1 ||
  fail "mariadb-install-db failed: $(grep -m 3 -i 'error' "$dir/install.log" | tr '\n' ' ')"

started=0
for attempt in $(seq 1 10); do
  port=$(( 20000 + (RANDOM * 32768 + RANDOM) % 40000 ))
  port_in_use "$port" && continue
  rm -f "$log"
  # Containers often refuse native asynchronous I/O and O_DIRECT (tmpfs, overlay file systems):
  # plain buffered I/O starts everywhere, and the test data need no durability.
  "$server" --no-defaults --datadir="$data" --tmpdir="$tmp" --socket="$sock" --port="$port" \
    --bind-address=127.0.0.1 --skip-name-resolve --pid-file="$pidf" --log-error="$log" \
    "${run_as[@]}" --skip-log-bin --innodb-buffer-pool-size=64M --max-allowed-packet=64M \
    --innodb-use-native-aio=0 --innodb-flush-method=fsync --innodb-doublewrite=0 \
    --innodb-flush-log-at-trx-commit=2 \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci \
    </dev/null >/dev/null 2>&1 &
  spid=$!
  # Up to 90 s: a loaded machine (a parallel build, sanitizers) can be slow to open InnoDB.
  for _ in $(seq 1 900); do
    if ! kill -0 "$spid" 2>/dev/null; then break; fi
    if [ -S "$sock" ] && "$client" --no-defaults --socket="$sock" -uroot -e "select 1" >/dev/null 2>&1; then
      started=1
      break
    fi
    sleep 0.1
  done
  [ "$started" = 1 ] && break
  kill "$spid" 2>/dev/null || true
  wait "$spid" 2>/dev/null || true
  grep -qi "address already in use\|bind on tcp/ip port" "$log" 2>/dev/null || fail "mariadbd did not come up"
  echo "port $port taken, trying another (attempt $attempt)" >&2
done
[ "$started" = 1 ] || fail "no free port found"

"$client" --no-defaults --socket="$sock" -uroot <<SQL || fail "could not create the test user"
CREATE USER '$user'@'localhost' IDENTIFIED BY '$password';
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON *.* TO '$user'@'localhost' WITH GRANT OPTION;
GRANT ALL PRIVILEGES ON *.* TO '$user'@'127.0.0.1' WITH GRANT OPTION;
FLUSH PRIVILEGES;
SQL

cat >"$envf.tmp" <<ENV
TW_MYSQL_HOST=127.0.0.1
TW_MYSQL_PORT=$port
TW_MYSQL_SOCKET=$sock
TW_MYSQL_USER=$user
TW_MYSQL_PASSWORD=$password
TW_MYSQL_CLIENT=$client
ENV
mv "$envf.tmp" "$envf"
echo "started" >"$statusf"
echo "mariadb test server on 127.0.0.1:$port (socket $sock)"
