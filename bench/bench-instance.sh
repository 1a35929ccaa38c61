# Shared by the benchmark scripts: the scratch folder and private MariaDB they run in, and the
# embedded Oracle instance they measure.  Needs $root (the checkout) and, for make_instance,
# $oralite (the oralite program).

# start_server: a scratch folder $work holding a private MariaDB, both gone when the script
# exits; client runs the server's own client on it.
start_server() {
    work=$(mktemp -d)
    server=$work/server
    trap 'bash "$root/scripts/mariadb-test-server.sh" stop "$server" >/dev/null 2>&1; rm -rf "$work"' EXIT
    bash "$root/scripts/mariadb-test-server.sh" start "$server" >/dev/null
    # shellcheck disable=SC1091
    . "$server/env"
}
client() { "$TW_MYSQL_CLIENT" --no-defaults --socket="$TW_MYSQL_SOCKET" -uroot "$@"; }

# settle: waits (a minute at most) until the server has written out the pages its last loads
# left dirty, then until the system has written every dirty file page, so that background
# writing does not share the machine with a timed run of either side.
settle() {
    local dirty
    client -e "SET GLOBAL innodb_max_dirty_pages_pct = 0"
    for _ in $(seq 120); do
        dirty=$(client -N -B -e "SHOW GLOBAL STATUS LIKE 'Innodb_buffer_pool_pages_dirty'" |
            awk '{ print $2 }')
        [ "${dirty:-0}" -eq 0 ] && break
        sleep 0.5
    done
    sync
}

# make_instance DIR N: an instance at DIR with the mixed table of N rows and the LOB table.
make_instance() {
    local inst=$1 n=$2
    "$oralite" create "$inst" >/dev/null
    "$oralite" user "$inst" BENCH bench >/dev/null
    cat >"$work/schema.sql" <<'SQL'
CREATE TABLE MIXED (
  ID NUMBER(10) NOT NULL, QTY NUMBER(9), PRICE NUMBER(12,2), NAME VARCHAR2(40), CREATED DATE,
  NOTE VARCHAR2(20), CONSTRAINT MIXED_PK PRIMARY KEY (ID));
CREATE TABLE LOBS (ID NUMBER(10) NOT NULL PRIMARY KEY, DOC CLOB, PIC BLOB);
SQL
    "$oralite" run "$inst" BENCH bench "$work/schema.sql" >/dev/null
    # Straight into the schema's SQLite file: the loader is not what is measured.
    sqlite3 "$inst/BENCH.db" "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n
      WHERE i < $n) INSERT INTO MIXED SELECT i, i % 1000, i + 0.25,
      'customer name number ' || i,
      datetime('1990-01-01', '+' || (i % 12000) || ' days', '+' || (i * 7 % 86400) || ' seconds'),
      CASE WHEN i % 3 = 0 THEN NULL ELSE 'note' END FROM n;
      WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
      INSERT INTO LOBS SELECT i, substr(hex(randomblob(51200)), 1, 102400), randomblob(102400)
      FROM n;"
}
