# Shared by the benchmark scripts: the embedded Oracle instance they measure.  Needs $oralite
# (the oralite program) and $work (a scratch folder) set by the script that sources it.

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
