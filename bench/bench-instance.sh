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

# make_real_tables DIR N BLOBS: adds to the instance at DIR the tables that look like users' data,
# nothing shaped to flatter a reader: REAL_MIXED (N rows: a 100-character text of which about a
# quarter of the words are not ASCII, a date and a timestamp that differ in every row, a text that
# is NULL in three rows of ten), WIDE (N/4 rows of 40 columns of those kinds and binary doubles),
# TIMESTAMPS (N rows of distinct timestamps with their microseconds) and BIG_BLOBS (BLOBS rows of
# a 20 MB BLOB).  The pseudo-random choices hash the row number, so every run makes the same rows.
make_real_tables() {
    local inst=$1 n=$2 blobs=$3 wide_rows=$(($2 / 4)) c cols="" sel="" kind h
    # The text columns of WIDE and their word lists come from one hash a column.
    for c in $(seq 1 40); do
        h="((i * $((2654435761 + c * 40503)) + $((c * 977))) % 4294967296)"
        kind=$((c % 8))
        case $kind in
        1) cols+="C$c NUMBER(10)"; sel+="$h % 2000000000" ;;
        2) cols+="C$c NUMBER(12,2)"; sel+="($h % 10000000000 - 5000000000) / 100.0" ;;
        3) cols+="C$c VARCHAR2(100)"; sel+="$(words_of "$h" 4)" ;;
        4) cols+="C$c DATE"; sel+="$(date_of "$h")" ;;
        5) cols+="C$c TIMESTAMP(6)"; sel+="$(timestamp_of "i * $((48271 + c)) % 1000000007" "$h")" ;;
        6) cols+="C$c VARCHAR2(40)"; sel+="CASE WHEN $h % 10 < 3 THEN NULL ELSE $(words_of "$h" 2) END" ;;
        7) cols+="C$c BINARY_DOUBLE"; sel+="($h % 100000000) / 64.0 - 500000" ;;
        0) cols+="C$c NUMBER(5)"; sel+="$h % 100000 - 50000" ;;
        esac
        [ "$c" -lt 40 ] && { cols+=", "; sel+=", "; }
    done
    cat >"$work/real.sql" <<SQL
CREATE TABLE REAL_MIXED (ID NUMBER(10) NOT NULL, AMOUNT NUMBER(12,2), TITLE VARCHAR2(100),
  BOOKED DATE, STAMPED TIMESTAMP(6), REMARK VARCHAR2(40), CONSTRAINT REAL_MIXED_PK PRIMARY KEY (ID));
CREATE TABLE WIDE (ID NUMBER(10) NOT NULL PRIMARY KEY, $cols);
CREATE TABLE TIMESTAMPS (ID NUMBER(10) NOT NULL PRIMARY KEY, AT TIMESTAMP(6));
CREATE TABLE BIG_BLOBS (ID NUMBER(10) NOT NULL PRIMARY KEY, DATA BLOB);
SQL
    "$oralite" run "$inst" BENCH bench "$work/real.sql" >/dev/null
    h="((i * 2654435761) % 4294967296)"
    sqlite3 "$inst/BENCH.db" "$(word_table)
      WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $n)
      INSERT INTO REAL_MIXED SELECT i, ($h % 10000000000 - 2000000000) / 100.0,
        $(words_of "$h" 6), $(date_of "$h"), $(timestamp_of "i * 48271 % 1000000007" "$h"),
        CASE WHEN $h % 10 < 3 THEN NULL ELSE $(words_of "($h / 7)" 3) END FROM n;
      WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $wide_rows)
      INSERT INTO WIDE SELECT i, $sel FROM n;
      WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $n)
      INSERT INTO TIMESTAMPS SELECT i, $(timestamp_of "i * 69621 % 1000000007" "$h") FROM n;
      WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $blobs)
      INSERT INTO BIG_BLOBS SELECT i, randomblob(20000000) FROM n;"
}

# word_table: 40 words, 10 of them not ASCII, for words_of to draw from.
word_table() {
    local w=(order account river garden invoice supplier north station delivery customer
        balance market silver window harbour transfer payment office meadow central
        quarter record summer winter express planet number street private general
        Müller Straße café São_Paulo Łódź Ελλάδα Москва 東京 naïve Ærøskøbing)
    local i sql="CREATE TEMP TABLE w (k INTEGER PRIMARY KEY, s TEXT); INSERT INTO w VALUES "
    for i in "${!w[@]}"; do
        sql+="($i, '${w[$i]//_/ }')"
        [ "$i" -lt 39 ] && sql+=", "
    done
    echo "$sql;"
}
# words_of HASH K: K words chosen by HASH, joined by spaces (at most 100 characters for K = 6).
words_of() {
    local h=$1 k=$2 j out=""
    for j in $(seq 1 "$k"); do
        [ -n "$out" ] && out+=" || ' ' || "
        out+="(SELECT s FROM w WHERE k = ($h / $((j * 41 + 3))) % 40)"
    done
    echo "$out"
}
# date_of HASH: a date and time of day within some thirty years.
date_of() { echo "datetime('1995-01-01', '+' || ($1 % 946080000) || ' seconds')"; }
# timestamp_of SECONDS HASH: SECONDS (distinct for distinct rows) after 1995 with microseconds,
# as the engine stores a TIMESTAMP.
timestamp_of() {
    echo "datetime('1995-01-01', '+' || ($1) || ' seconds') || '.' || printf('%06d', $2 % 1000000) || '000'"
}
