// Logon and connect-string paths, and the Oracle behaviour of SQL run on the engine.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include <sqlite3.h>

#include "functions/lite_decimal.h"
#include "lite_test_helpers.h"

namespace {

namespace fs = std::filesystem;

int logon_error(const std::string& connect, const std::string& user, const std::string& pw) {
    lite_session s;
    try {
        s.logon(connect, user, pw);
    } catch (const lite_error& e) {
        return e.code();
    }
    return 0;
}

// ORALITE_HOME pointed at a folder holding one instance named SHOP for the test's duration.
class LiteConnect : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("ORALITE_HOME");
        had_ = old != nullptr;
        if (old) old_ = old;
        home_ = fs::path(inst_.dir()).parent_path() /
                ("home" + fs::path(inst_.dir()).filename().string());
        fs::create_directories(home_);
        fs::create_directory_symlink(inst_.dir(), home_ / "SHOP");
        setenv("ORALITE_HOME", home_.c_str(), 1);
    }
    void TearDown() override {
        if (had_) {
            setenv("ORALITE_HOME", old_.c_str(), 1);
        } else {
            unsetenv("ORALITE_HOME");
        }
        fs::remove_all(home_);
    }
    lite_scratch inst_{"APP", "secret"};
    fs::path home_;
    bool had_ = false;
    std::string old_;
};

TEST_F(LiteConnect, ServiceNamesResolveUnderTheHome) {
    EXPECT_EQ(logon_error("SHOP", "app", "secret"), 0);
    EXPECT_EQ(logon_error("shop", "APP", "secret"), 0);
    EXPECT_EQ(logon_error("//localhost:1521/SHOP", "APP", "secret"), 0);
    EXPECT_EQ(logon_error("//db1/SHOP", "APP", "secret"), 0);
    EXPECT_EQ(logon_error(inst_.dir(), "APP", "secret"), 0);
}

TEST_F(LiteConnect, RefusalsAreTheClientsAndServersErrors) {
    EXPECT_EQ(logon_error("NOSUCH", "APP", "secret"), 12154);
    EXPECT_EQ(logon_error("", "APP", "secret"), 12154);
    EXPECT_EQ(logon_error("//localhost:1521/NOSUCH", "APP", "secret"), 12514);
    EXPECT_EQ(logon_error("//localhost:1521/../SHOP", "APP", "secret"), 12514);
    EXPECT_EQ(logon_error("SHOP", "APP", "Secret"), 1017);
    EXPECT_EQ(logon_error("SHOP", "NOBODY", "secret"), 1017);
    EXPECT_EQ(logon_error("SHOP", "../APP", "secret"), 1017);
    lite_instance::set_locked(inst_.dir(), "APP", true);
    EXPECT_EQ(logon_error("SHOP", "APP", "secret"), 28000);
    EXPECT_EQ(logon_error("SHOP", "APP", "wrong"), 1017);
    lite_instance::set_locked(inst_.dir(), "APP", false);
    EXPECT_EQ(logon_error("SHOP", "APP", "secret"), 0);
}

TEST(LiteInstance, AdministrationRefusesBadInput) {
    lite_scratch inst;
    try {
        lite_instance::create(inst.dir(), "");
        FAIL() << "second create of one directory";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1501);
    }
    EXPECT_THROW(lite_instance::add_user(inst.dir(), "a/b", "x"), lite_error);
    EXPECT_THROW(lite_instance::add_user(inst.dir(), "\"..\"", "x"), lite_error);
    EXPECT_THROW(lite_instance::set_locked(inst.dir(), "GHOST", true), lite_error);
    lite_instance::set_banner(inst.dir(), "Oracle7 Server Release 7.3.4.0.0 - Production");
    auto s = inst.logon();
    EXPECT_EQ(lite_cell(*s, "select * from v$version"),
              "Oracle7 Server Release 7.3.4.0.0 - Production");
}

// The dictionary holds the users' passwords: no one but the instance's owner may read any of it.
TEST(LiteInstance, FilesArePrivateToTheirOwner) {
    lite_scratch inst;
    inst.logon()->execute("CREATE TABLE t (id NUMBER)");
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(inst.dir()).permissions() & fs::perms::all, fs::perms::owner_all);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(inst.dir())) {
        if (!entry.is_regular_file()) continue;
        ++files;
        EXPECT_EQ(entry.status().permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write)
            << entry.path();
    }
    EXPECT_GE(files, 3);
}

class LiteSql : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE t (id NUMBER(6) PRIMARY KEY, v VARCHAR2(10), n NUMBER, "
            "d DATE, r RAW(4), b BLOB, c CLOB)");
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteSql, ValuesKeepOracleSemantics) {
    s_->execute("INSERT INTO t (id, v, n) VALUES (1, '00123', 100000000000000000000)");
    s_->execute("INSERT INTO t (id, v, n) VALUES (2, '', 0.5)");
    s_->execute("INSERT INTO t (id, v, n) VALUES (3, 'x', -0.5)");
    s_->execute("INSERT INTO t (id, v, n) VALUES (4, 'y', -12345678901234567890123)");
    EXPECT_EQ(lite_cell(*s_, "select v from t where id = 1"), "00123");
    EXPECT_EQ(lite_cell(*s_, "select n from t where id = 1"), "100000000000000000000");
    EXPECT_EQ(lite_cell(*s_, "select v from t where id = 2"), "<null>");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where v is null"), "1");
    EXPECT_EQ(lite_cell(*s_, "select n from t where id = 2"), ".5");
    EXPECT_EQ(lite_cell(*s_, "select n from t where id = 3"), "-.5");
    EXPECT_EQ(lite_cell(*s_, "select n from t where id = 4"), "-12345678901234567890123");
    // Double quotes name columns, never strings.
    EXPECT_EQ(lite_fails_with(*s_, "select \"nosuch\" from t"), 904);
    EXPECT_EQ(lite_cell(*s_, "select \"V\" from t where id = 1"), "00123");
}

TEST_F(LiteSql, CharValuesReadBackBlankPadded) {
    s_->execute("CREATE TABLE ch (a CHAR(5), b CHAR(3 CHAR), c NCHAR(3), d VARCHAR2(5))");
    s_->execute("INSERT INTO ch VALUES ('ab', 'é', 'ß', 'ab')");
    s_->execute("INSERT INTO ch VALUES ('abcde', 'éée', 'ßßß', NULL)");
    auto rows = lite_rows(*s_, "select a, b, c, d from ch order by a");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"ab   ", "é  ", "ß  ", "ab"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"abcde", "éée", "ßßß", "<null>"}));
    // Comparisons see the value as stored.
    EXPECT_EQ(lite_cell(*s_, "select count(*) from ch where a = 'ab'"), "1");
}

TEST_F(LiteSql, NumbersReadBackAtTheirDeclaredScale) {
    s_->execute("CREATE TABLE sc (a NUMBER(8,2), b NUMBER(5), c NUMBER(6,-2), d NUMBER)");
    s_->execute("INSERT INTO sc VALUES (1.237, 2.5, 1250, 1.237)");
    s_->execute("INSERT INTO sc VALUES (-1.235001, -2.5, -1249, NULL)");
    auto rows = lite_rows(*s_, "select a, b, c, d from sc order by a desc");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1.24", "3", "1300", "1.237"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"-1.24", "-3", "-1200", "<null>"}));
    // Rounding at the ends of the 64-bit range gives the larger number, not a wrapped one.
    s_->execute("CREATE TABLE big (a NUMBER(38,-1))");
    auto ins = s_->prepare("INSERT INTO big VALUES (:1)");
    for (int64_t v : {INT64_MAX, INT64_MIN}) {
        ins->bind_int64(1, v);
        ins->execute();
    }
    EXPECT_EQ(
        lite_rows(*s_, "select a from big order by a desc"),
        (std::vector<std::vector<std::string>>{{"9223372036854775810"}, {"-9223372036854775810"}}));
}

TEST_F(LiteSql, OracleFunctions) {
    EXPECT_EQ(lite_cell(*s_, "select concat('a', NULL) from dual"), "a");
    EXPECT_EQ(lite_cell(*s_, "select nvl(NULL, 'z') from dual"), "z");
    EXPECT_EQ(lite_cell(*s_, "select decode(2, 1, 'one', 2, 'two', 'many') from dual"), "two");
    EXPECT_EQ(lite_cell(*s_, "select decode(NULL, NULL, 'null matches') from dual"),
              "null matches");
    EXPECT_EQ(
        lite_cell(*s_,
                  "select to_char(to_date('17-06-2013', 'dd-MM-yyyy'), 'YYYY-MM-DD') from dual"),
        "2013-06-17");
    EXPECT_EQ(
        lite_cell(*s_,
                  "select to_date('05-FEB-2016 13.05.07', 'DD-MON-YYYY HH24.MI.SS') from dual"),
        "2016-02-05 13:05:07");
    EXPECT_EQ(lite_cell(*s_,
                        "select to_timestamp('01-JAN-2020 10.11.12.123456', "
                        "'DD-MON-YYYY HH24.MI.SS.FF') from dual"),
              "2020-01-01 10:11:12.123456000");
    EXPECT_EQ(
        lite_cell(*s_,
                  "select to_char(to_date('2020-03-04','YYYY-MM-DD'), 'DD-Mon-YY Dy') from dual"),
        "04-Mar-20 Wed");
    EXPECT_EQ(lite_cell(*s_, "select to_char(1234.5, 'FM9,990.00') from dual"), "1,234.50");
    EXPECT_EQ(lite_cell(*s_, "select to_char(0.25) from dual"), ".25");
    EXPECT_EQ(lite_cell(*s_, "select chr(65) || chr(10) || 'b' from dual"), "A\nb");
    // "||" passes over NULL as Oracle does, whatever the operand's shape.
    EXPECT_EQ(lite_cell(*s_, "select 'a' || NULL || 'b' from dual"), "ab");
    EXPECT_EQ(lite_cell(*s_, "select NULL || NULL from dual"), "<null>");
    EXPECT_EQ(lite_cell(*s_, "select 1 || 0.5 from dual"), "1.5");
    EXPECT_EQ(lite_cell(*s_, "select 7 / 2 from dual"), "3.5");
    // Dates take days, as in Oracle.
    EXPECT_EQ(lite_cell(*s_, "select to_date('2020-02-28', 'YYYY-MM-DD') + 1 from dual"),
              "2020-02-29 00:00:00");
    EXPECT_EQ(lite_cell(*s_, "select to_date('2020-03-01', 'YYYY-MM-DD') - 1 / 24 from dual"),
              "2020-02-29 23:00:00");
    EXPECT_EQ(lite_cell(*s_,
                        "select to_date('2021-01-01','YYYY-MM-DD') - to_date('2020-01-01',"
                        "'YYYY-MM-DD') from dual"),
              "366");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dual where sysdate - 1 < sysdate"), "1");
    EXPECT_EQ(lite_fails_with(*s_, "select sysdate + sysdate from dual"), 975);
    EXPECT_EQ(lite_fails_with(*s_, "select 'abc' + 1 from dual"), 1722);
    EXPECT_EQ(lite_cell(*s_, "select 9223372036854775806 + 1 from dual"), "9223372036854775807");
    EXPECT_EQ(lite_cell(*s_, "select -2 - -3 * 2 + (4 - 1) from dual"), "7");
    EXPECT_EQ(lite_cell(*s_, "select 6 / 3 * 2 + 10 / 4 / 5 from dual"), "4.5");
    EXPECT_EQ(lite_cell(*s_, "select 1 / 3 from dual"),
              ".3333333333333333333333333333333333333333");
    EXPECT_EQ(lite_cell(*s_,
                        "select upper('x') || (2 * 3) || case when 1 = 2 then 'y' end || "
                        "dual.dummy from dual"),
              "X6X");
    EXPECT_EQ(lite_cell(*s_, "select substr('abc' || nvl(NULL, 'def'), 2, 3) || '!' from dual"),
              "bcd!");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dual where 'x' || NULL = 'x'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select rawtohex(utl_raw.cast_to_raw('AB')) from dual"), "4142");
    EXPECT_EQ(lite_cell(*s_, "select substr('Grüße', 0, 3) from dual"), "Grü");
    EXPECT_EQ(lite_cell(*s_, "select /*+ FULL(t) */ count(*) from t for update"), "0");
    EXPECT_EQ(lite_cell(*s_, "select user from dual"), "APP");
    EXPECT_EQ(lite_fails_with(*s_, "select to_date('31-02-2020', 'DD-MM-YYYY') from dual"), 1839);
    EXPECT_EQ(lite_cell(*s_, "select 1 from dual minus select 2 from dual"), "1");
    s_->execute(
        "INSERT INTO t (id) SELECT 1 FROM dual UNION ALL SELECT 2 FROM dual UNION ALL "
        "SELECT 3 FROM dual");
    EXPECT_EQ(lite_rows(*s_, "select id from t where rownum <= 2").size(), 2u);
    EXPECT_EQ(lite_rows(*s_, "select id from t where id > 1 and rownum < 2").size(), 1u);
    EXPECT_EQ(lite_rows(*s_, "select id from t where rownum = 1 and id > 0").size(), 1u);
    EXPECT_EQ(lite_rows(*s_, "select id from t where rownum = 2").size(), 0u);
    // Oracle numbers the rows before it sorts them: two rows, then in order.
    auto two = lite_rows(*s_, "select id from t where rownum <= 2 order by id desc");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_GT(std::stoi(two[0][0]), std::stoi(two[1][0]));
}

TEST_F(LiteSql, SequencesLobsAndReturning) {
    s_->execute("CREATE SEQUENCE s START WITH 10 INCREMENT BY 5 MAXVALUE 20 NOCACHE");
    EXPECT_EQ(lite_fails_with(*s_, "select s.currval from dual"), 8002);
    EXPECT_EQ(lite_cell(*s_, "select s.nextval from dual"), "10");
    EXPECT_EQ(lite_cell(*s_, "select app.s.nextval from dual"), "15");
    EXPECT_EQ(lite_cell(*s_, "select s.currval from dual"), "15");
    EXPECT_EQ(lite_cell(*s_, "select s.nextval from dual"), "20");
    EXPECT_EQ(lite_fails_with(*s_, "select s.nextval from dual"), 8004);
    EXPECT_EQ(lite_cell(*s_, "select last_number from user_sequences where sequence_name = 'S'"),
              "25");

    auto ins = s_->prepare(
        "INSERT INTO t (id, b, c, r) VALUES (:id, EMPTY_BLOB(), EMPTY_CLOB(), "
        ":raw) RETURNING ROWID INTO :rid");
    EXPECT_EQ(ins->returning_bind(), "RID");
    EXPECT_EQ(ins->bind_count(), 2);
    EXPECT_EQ(ins->bind_index(":ID"), 1);
    EXPECT_EQ(ins->bind_index("raw"), 2);
    ins->bind_int64(1, 7);
    const unsigned char raw[] = {0x00, 0xff};
    ins->bind_bytes(2, raw);
    ins->execute();
    EXPECT_EQ(ins->rows_affected(), 1);
    std::string rid = ins->returned_rowid();
    ASSERT_FALSE(rid.empty());
    auto q = s_->prepare("select id, b, c, r, rowid from t where rowid = :1");
    q->bind_text(1, rid);
    q->execute();
    ASSERT_TRUE(q->next());
    EXPECT_FALSE(q->is_null(1));
    EXPECT_EQ(q->bytes(1).size(), 0u);
    EXPECT_FALSE(q->is_null(2));
    EXPECT_EQ(q->text(2), "");
    EXPECT_EQ(q->text(3), "00FF");
    EXPECT_EQ(q->columns()[1].type_code, LITE_BLOB);
    EXPECT_EQ(q->columns()[2].type_code, LITE_CLOB);
    EXPECT_EQ(q->columns()[3].type_code, LITE_RAW);
    EXPECT_EQ(q->columns()[3].data_size, 4);
    EXPECT_EQ(q->columns()[4].type_code, LITE_ROWID);
    EXPECT_FALSE(q->next());
    EXPECT_THROW(ins->bind_int64(3, 1), lite_error);
}

TEST_F(LiteSql, DescribeNamesAndTypesExpressions) {
    auto q = s_->prepare(
        "select count(*), to_char(sysdate, 'YYYY'), sysdate, max(id) + 1, max(v) x, "
        "max(v) \"Mixed\" from t");
    q->execute();
    const auto& c = q->columns();
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].name, "COUNT(*)");
    EXPECT_EQ(c[0].type_code, LITE_NUMBER);
    EXPECT_EQ(c[1].name, "TO_CHAR(SYSDATE,'YYYY')");
    EXPECT_EQ(c[1].type_code, LITE_VARCHAR2);
    EXPECT_EQ(c[2].type_code, LITE_DATE);
    EXPECT_EQ(c[3].type_code, LITE_NUMBER);
    EXPECT_EQ(c[4].name, "X");
    EXPECT_EQ(c[4].type_code, LITE_VARCHAR2);
    EXPECT_EQ(c[4].data_size, 10);
    EXPECT_EQ(c[5].name, "Mixed");
    auto cat = s_->prepare("select v || ' / ' || id, v || 'x' named from t");
    cat->execute();
    EXPECT_EQ(cat->columns()[0].name, "V||' / '||ID");
    EXPECT_EQ(cat->columns()[0].type_code, LITE_VARCHAR2);
    EXPECT_EQ(cat->columns()[1].name, "NAMED");
    auto div = s_->prepare("select id / 2 from t");
    div->execute();
    EXPECT_EQ(div->columns()[0].name, "ID/2");
    EXPECT_EQ(div->columns()[0].type_code, LITE_NUMBER);
    auto plus = s_->prepare("select sysdate + 1, id - 1 from dual, t");
    plus->execute();
    EXPECT_EQ(plus->columns()[0].name, "SYSDATE+1");
    EXPECT_EQ(plus->columns()[1].name, "ID-1");
}

TEST_F(LiteSql, ErrorsMapToOracleNumbers) {
    EXPECT_EQ(lite_fails_with(*s_, "select * from nosuch"), 942);
    EXPECT_EQ(lite_fails_with(*s_, "select nosuch from t"), 904);
    EXPECT_EQ(lite_fails_with(*s_, "select nosuchfn(1) from dual"), 904);
    EXPECT_EQ(lite_fails_with(*s_, "frobnicate the table"), 900);
    EXPECT_EQ(lite_fails_with(*s_, "select * from t t2 t3"), 933);
    EXPECT_EQ(lite_fails_with(*s_, "select from t"), 936);
    EXPECT_EQ(lite_fails_with(*s_, "select 'abc from dual"), 1756);
    EXPECT_EQ(lite_fails_with(*s_, "select to_date() from dual"), 909);
    EXPECT_EQ(lite_fails_with(*s_, "select decode(1) from dual"), 938);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE big (a NUMBER(99999999999999999999))"), 1426);
    // A type cut off after its minus sign.
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE cut (a NUMBER(5,-"), 902);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE cut (a NUMBER(-"), 902);
    s_->execute("INSERT INTO t (id) VALUES (1)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (id) VALUES (1)"), 1);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE u (a NUMBER NOT NULL)"), 0);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO u VALUES (NULL)"), 1400);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE t (a NUMBER)"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE INDEX t_ix ON t (v)"), 0);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE INDEX t_ix2 ON t (v)"), 1408);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE t ADD CONSTRAINT t_uk UNIQUE (id)"), 2261);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE c (id NUMBER, t_id NUMBER(6))"), 0);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO c VALUES (1, 99)"), 0);
    EXPECT_EQ(
        lite_fails_with(*s_, "ALTER TABLE c ADD CONSTRAINT c_fk FOREIGN KEY (t_id) REFERENCES t"),
        2298);
    EXPECT_EQ(lite_fails_with(*s_,
                              "ALTER TABLE c ADD CONSTRAINT c_fk FOREIGN KEY (t_id) REFERENCES t "
                              "DISABLE"),
              0);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE c ENABLE CONSTRAINT c_fk"), 2298);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE c ADD CONSTRAINT c_ck CHECK (id > 5)"), 2293);
    EXPECT_EQ(
        lite_cell(*s_, "select count(*) from user_constraints where constraint_name = 'C_CK'"),
        "0");
    EXPECT_EQ(lite_fails_with(*s_, "DROP TABLE t"), 2449);
    EXPECT_EQ(lite_fails_with(*s_, "DROP TABLE t CASCADE CONSTRAINTS"), 0);
    EXPECT_EQ(
        lite_cell(*s_, "select count(*) from user_constraints where constraint_name = 'C_FK'"),
        "0");
}

TEST_F(LiteSql, ForeignKeysHoldRowByRow) {
    s_->execute(
        "CREATE TABLE kid (id NUMBER PRIMARY KEY, t_id NUMBER(6) CONSTRAINT kid_fk "
        "REFERENCES t ON DELETE CASCADE)");
    s_->execute(
        "CREATE TABLE pet (id NUMBER, t_id NUMBER(6), CONSTRAINT pet_fk FOREIGN KEY (t_id) "
        "REFERENCES t (id) ON DELETE SET NULL)");
    s_->execute("CREATE TABLE toy (id NUMBER, t_id NUMBER(6) CONSTRAINT toy_fk REFERENCES t)");
    s_->execute("INSERT INTO t (id) VALUES (1)");
    s_->execute("INSERT INTO t (id) VALUES (2)");
    s_->execute("INSERT INTO kid VALUES (10, 1)");
    s_->execute("INSERT INTO pet VALUES (20, 1)");
    s_->execute("INSERT INTO toy VALUES (30, 2)");
    s_->execute("INSERT INTO toy VALUES (31, NULL)");
    try {
        s_->execute("INSERT INTO kid VALUES (11, 99)");
        FAIL();
    } catch (const lite_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "ORA-02291: integrity constraint (APP.KID_FK) violated - parent key not found");
    }
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE kid SET t_id = 98"), 2291);
    EXPECT_EQ(lite_fails_with(*s_, "DELETE FROM t WHERE id = 2"), 2292);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE t SET id = 3 WHERE id = 2"), 2292);
    s_->execute("DELETE FROM t WHERE id = 1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from kid"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from pet where t_id is null"), "1");
    // A disabled key checks nothing until it is enabled again.
    s_->execute("ALTER TABLE toy DISABLE CONSTRAINT toy_fk");
    s_->execute("INSERT INTO toy VALUES (32, 77)");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE toy ENABLE CONSTRAINT toy_fk"), 2298);
    s_->execute("DELETE FROM toy WHERE id = 32");
    s_->execute("ALTER TABLE toy ENABLE CONSTRAINT toy_fk");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO toy VALUES (33, 77)"), 2291);
    s_->commit();
}

// Another schema's objects are reached as Oracle grants them: not at all without a privilege
// (the user may not learn they exist), read with SELECT, changed with INSERT and the others.
TEST_F(LiteSql, OtherSchemasAnswerToGrants) {
    lite_instance::add_user(inst_.dir(), "OTHER", "pw");
    lite_session o;
    o.logon_dir(inst_.dir(), "OTHER", "pw");
    o.execute("CREATE TABLE mine (a NUMBER)");
    o.execute("INSERT INTO mine VALUES (5)");
    o.commit();
    auto s = inst_.logon();  // attaches the new schema
    EXPECT_EQ(lite_fails_with(*s, "select a from other.mine"), 942);
    EXPECT_EQ(lite_fails_with(*s, "insert into other.mine values (6)"), 942);
    EXPECT_EQ(lite_fails_with(*s, "CREATE TABLE other.x (a NUMBER)"), 1031);
    EXPECT_EQ(lite_cell(*s, "select count(*) from all_tables"), "1");
    o.execute("GRANT SELECT ON mine TO app");
    EXPECT_EQ(lite_cell(*s, "select a from other.mine"), "5");
    EXPECT_EQ(lite_cell(*s, "select a from \"OTHER\".\"MINE\""), "5");
    EXPECT_EQ(lite_fails_with(*s, "insert into other.mine values (6)"), 1031);
    EXPECT_EQ(lite_fails_with(*s, "delete from other.mine"), 1031);
    EXPECT_EQ(lite_cell(*s, "select count(*) from user_tables"), "1");
    EXPECT_EQ(lite_cell(*s, "select count(*) from all_tables"), "2");
    // Granted while the session is on, the change is allowed at once.
    o.execute("GRANT INSERT, UPDATE ON mine TO app");
    s->execute("insert into other.mine values (6)");
    s->execute("update other.mine set a = a + 10 where a = 6");
    EXPECT_EQ(lite_fails_with(*s, "delete from other.mine"), 1031);
    s->commit();
    EXPECT_EQ(lite_cell(o, "select sum(a) from mine"), "21");
    // A revoked privilege is gone at once.
    o.execute("REVOKE ALL ON mine FROM app");
    EXPECT_EQ(lite_fails_with(*s, "select a from other.mine"), 942);
    // A '#' in a schema name is part of its file name, not the end of it.
    lite_instance::add_user(inst_.dir(), "X#Y", "pw");
    lite_session h;
    h.logon_dir(inst_.dir(), "x#y", "pw");
    h.execute("CREATE TABLE hashed (a NUMBER)");
    h.execute("INSERT INTO hashed VALUES (7)");
    h.execute("GRANT SELECT ON hashed TO PUBLIC");
    h.commit();
    s = inst_.logon();
    EXPECT_EQ(lite_cell(*s, "select a from \"X#Y\".hashed"), "7");
    EXPECT_EQ(lite_fails_with(*s, "insert into \"X#Y\".hashed values (8)"), 1031);
}

// Oracle names may hold '#' and '$', unquoted, in every kind of statement.
TEST_F(LiteSql, NamesWithHashAndDollar) {
    s_->execute("CREATE TABLE emp# (id# NUMBER CHECK (id# > 0), n$x VARCHAR2(5))");
    s_->execute("INSERT INTO emp# (id#, n$x) VALUES (1, 'a')");
    s_->execute("CREATE VIEW v# AS SELECT e.id#, n$x FROM emp# e");
    s_->execute("UPDATE emp# SET n$x = 'b' WHERE id# = 1");
    EXPECT_EQ(lite_rows(*s_, "select id#, n$x from v# where id# = 1"),
              (std::vector<std::vector<std::string>>{{"1", "b"}}));
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO emp# (id#) VALUES (0)"), 2290);
}

TEST_F(LiteSql, DdlKeepsTheDictionaryExact) {
    s_->execute(
        "CREATE TABLE z (a VARCHAR2(10 CHAR) DEFAULT 'x' NOT NULL, b NVARCHAR2(20), "
        "c TIMESTAMP(3) WITH TIME ZONE, d INTERVAL DAY(2) TO SECOND(6), e FLOAT, "
        "f NUMBER(5,-2), g CHAR, h INTEGER, i NUMBER GENERATED ALWAYS AS IDENTITY, "
        "CHECK (a <> 'bad'), UNIQUE (b))");
    auto r = lite_rows(*s_,
                       "select column_name, data_type, data_length, data_precision, data_scale, "
                       "nullable, char_length, char_used, data_default from user_tab_columns "
                       "where table_name = 'Z'");
    ASSERT_EQ(r.size(), 9u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"A", "VARCHAR2", "40", "<null>", "<null>", "N", "10",
                                              "C", "'x'"}));
    EXPECT_EQ(r[1][2], "40");
    EXPECT_EQ(r[2][1], "TIMESTAMP(3) WITH TIME ZONE");
    EXPECT_EQ(r[3][1], "INTERVAL DAY(2) TO SECOND(6)");
    EXPECT_EQ(r[4][3], "126");
    EXPECT_EQ(r[5][4], "-2");
    EXPECT_EQ(r[6][2], "1");
    EXPECT_EQ(r[7][3], "<null>");
    EXPECT_EQ(r[7][4], "0");
    EXPECT_NE(r[8][8].find(".nextval"), std::string::npos);
    auto cons = lite_rows(*s_,
                          "select constraint_type, generated from user_constraints where "
                          "table_name = 'Z' order by constraint_type");
    ASSERT_EQ(cons.size(), 4u);  // NOT NULL of A and of the identity, the CHECK, the UNIQUE
    EXPECT_EQ(cons[0][1], "GENERATED NAME");
    EXPECT_EQ(lite_cell(*s_, "select generated from user_indexes where table_name = 'Z'"), "Y");
    s_->execute("INSERT INTO z (b) VALUES ('w')");
    s_->execute("INSERT INTO z (b) VALUES ('v')");
    EXPECT_EQ(lite_cell(*s_, "select max(i) from z"), "2");
    EXPECT_EQ(lite_cell(*s_, "select a from z where b = 'w'"), "x");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO z (a, b) VALUES ('bad', 'u')"), 2290);
    s_->execute("COMMENT ON TABLE z IS 'zed'");
    s_->execute("COMMENT ON COLUMN z.a IS 'first'");
    EXPECT_EQ(lite_cell(*s_, "select comments from user_tab_comments where table_name = 'Z'"),
              "zed");
    EXPECT_EQ(lite_cell(*s_,
                        "select comments from user_col_comments where column_name = 'A' and "
                        "table_name = 'Z'"),
              "first");
    s_->execute("CREATE VIEW zv AS SELECT a, b FROM z WHERE i > 0");
    EXPECT_EQ(lite_cell(*s_, "select text from user_views"), "SELECT a, b FROM z WHERE i > 0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from zv"), "2");
    s_->execute("CREATE OR REPLACE VIEW zv AS SELECT a FROM z CONNECT BY PRIOR a = a");
    EXPECT_EQ(s_->take_warnings().size(), 1u);
    EXPECT_EQ(lite_cell(*s_, "select status from all_objects where object_name = 'ZV'"), "INVALID");
    s_->execute("ALTER TABLE z DROP COLUMN e");
    EXPECT_EQ(lite_cell(*s_,
                        "select column_id from user_tab_columns where table_name = 'Z' and "
                        "column_name = 'F'"),
              "5");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from z"), "2");
}

TEST_F(LiteSql, AlterTableAddsColumnsIdentityAndKeysToFilledTables) {
    s_->execute("CREATE TABLE m (id NUMBER, v VARCHAR2(5))");
    s_->execute("INSERT INTO m (v) VALUES ('a')");
    try {
        s_->execute("ALTER TABLE m MODIFY (v NOT NULL, id GENERATED ALWAYS AS IDENTITY)");
        FAIL();
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 2296);  // the row with no id
        EXPECT_NE(std::string(e.what()).find("(APP.SYS_C"), std::string::npos);
    }
    s_->execute("UPDATE m SET id = 1");
    s_->execute("ALTER TABLE m MODIFY id GENERATED BY DEFAULT AS IDENTITY (START WITH 100)");
    s_->execute("ALTER TABLE m ADD (w NUMBER(3) DEFAULT 7, x DATE)");
    s_->execute("INSERT INTO m (v) VALUES ('b')");
    auto rows = lite_rows(*s_, "select id, v, w, x from m order by id");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "a", "7", "<null>"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"100", "b", "7", "<null>"}));
    EXPECT_EQ(lite_cell(*s_,
                        "select identity_column from user_tab_columns where table_name = 'M' "
                        "and column_name = 'ID'"),
              "YES");
    s_->execute("ALTER TABLE m ADD CONSTRAINT m_pk PRIMARY KEY (id)");
    EXPECT_EQ(lite_cell(*s_,
                        "select nullable from user_tab_columns where table_name = 'M' and "
                        "column_name = 'ID'"),
              "N");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO m (id, v) VALUES (1, 'dup')"), 1);
    s_->execute("ALTER TABLE m DROP PRIMARY KEY");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_indexes where table_name = 'M'"), "0");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO m (id, v) VALUES (1, 'dup')"), 0);
    auto q = s_->prepare("select rowid, v from m where v = 'dup'");
    q->execute();
    EXPECT_EQ(q->columns()[0].name, "ROWID");
}

TEST_F(LiteSql, TransactionsCommitAndRollBack) {
    s_->execute("INSERT INTO t (id) VALUES (1)");
    s_->rollback();
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "0");
    s_->execute("INSERT INTO t (id) VALUES (2)");
    s_->execute("COMMIT");
    auto other = inst_.logon();
    EXPECT_EQ(lite_cell(*other, "select count(*) from t"), "1");
    // A failed statement leaves the rest of the transaction alone.
    s_->execute("INSERT INTO t (id) VALUES (3)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (id) VALUES (3)"), 1);
    s_->commit();
    EXPECT_EQ(lite_cell(*other, "select count(*) from t"), "2");
}

// A text default of a typed column converts when a row takes it, as Oracle evaluates defaults
// at insert time; the table reads back whatever its rows hold.
TEST_F(LiteSql, TextDefaultsConvertToTheColumnType) {
    s_->execute(
        "CREATE TABLE td (id NUMBER, d DATE DEFAULT '01-JAN-2000', "
        "ts TIMESTAMP DEFAULT '01-JAN-00 10.30.00.000000', n NUMBER DEFAULT '42', "
        "v VARCHAR2(11) DEFAULT '01-JAN-2000')");
    s_->execute("INSERT INTO td (id) VALUES (1)");
    EXPECT_EQ(lite_rows(*s_,
                        "select to_char(d, 'YYYY-MM-DD'), to_char(ts, 'YYYY-MM-DD HH24:MI'), "
                        "n + 1, v from td"),
              (std::vector<std::vector<std::string>>{
                  {"2000-01-01", "2000-01-01 10:30", "43", "01-JAN-2000"}}));
    EXPECT_EQ(lite_cell(*s_,
                        "select data_default from user_tab_columns where table_name = "
                        "'TD' and column_name = 'D'"),
              "'01-JAN-2000'");
    // A default that is no date fails the INSERT that takes it, not the table or its reads.
    s_->execute("CREATE TABLE tb (id NUMBER, d DATE DEFAULT 'soon', n NUMBER DEFAULT 'many')");
    EXPECT_NE(lite_fails_with(*s_, "INSERT INTO tb (id, n) VALUES (1, 1)"), 0);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO tb (id, d) VALUES (1, SYSDATE)"), 1722);
    s_->execute("INSERT INTO tb VALUES (2, DATE '2001-02-03', 5)");
    EXPECT_EQ(lite_cell(*s_, "select to_char(d, 'YYYY-MM-DD') || '/' || n from tb"),
              "2001-02-03/5");
}

// Oracle tells a NULL written by UPDATE from one written by INSERT.
TEST_F(LiteSql, NullIntoNotNullColumnNamesTheStatementKind) {
    s_->execute("CREATE TABLE nn (id NUMBER PRIMARY KEY, v VARCHAR2(5) NOT NULL)");
    s_->execute("INSERT INTO nn VALUES (1, 'a')");
    try {
        s_->execute("UPDATE nn SET v = NULL WHERE id = 1");
        FAIL() << "the update ran";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1407);
        EXPECT_EQ(e.text(), "cannot update (\"APP\".\"NN\".\"V\") to NULL");
    }
    try {
        s_->execute("INSERT INTO nn VALUES (2, NULL)");
        FAIL() << "the insert ran";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1400);
        EXPECT_EQ(e.text(), "cannot insert NULL into (\"APP\".\"NN\".\"V\")");
    }
    EXPECT_EQ(lite_cell(*s_, "select v from nn"), "a");
}

// Statements that fail part-way, in DDL, DML and the row triggers folded into an INSERT, leave
// no prepared statement behind on the session's connection: one left there would block the
// next DROP or ALTER of its table.
TEST_F(LiteSql, FailuresLeaveNoStatementOnTheConnection) {
    auto open_statements = [&] {
        int n = 0;
        for (sqlite3_stmt* p = sqlite3_next_stmt(s_->db(), nullptr); p;
             p = sqlite3_next_stmt(s_->db(), p)) {
            ++n;
        }
        return n;
    };
    const int before = open_statements();
    s_->execute("CREATE TABLE k (id NUMBER PRIMARY KEY, v VARCHAR2(5) NOT NULL, w NUMBER)");
    s_->execute(
        "CREATE TRIGGER k_bi BEFORE INSERT ON k FOR EACH ROW BEGIN :NEW.w := :NEW.id * 2; END;");
    s_->execute("INSERT INTO k (id, v) VALUES (1, 'a')");
    EXPECT_EQ(lite_cell(*s_, "select w from k"), "2");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO k (id, v) VALUES (1, 'b')"), 1);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE k SET v = NULL"), 1407);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE k ADD CONSTRAINT k_ck CHECK (w > 5)"), 2293);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE k ADD CONSTRAINT k_pk2 PRIMARY KEY (w)"), 2260);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE k (a NUMBER)"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "select nosuch from k"), 904);
    // A trigger body the engine cannot fold is only stored; inserts go on without it.
    s_->execute(
        "CREATE OR REPLACE TRIGGER k_bi BEFORE INSERT ON k FOR EACH ROW BEGIN "
        "IF :NEW.w IS NULL THEN :NEW.w := 0; END IF; END;");
    s_->execute("INSERT INTO k (id, v) VALUES (2, 'c')");
    EXPECT_EQ(open_statements(), before);
    s_->execute("DROP TABLE k");
    EXPECT_EQ(open_statements(), before);
}

TEST_F(LiteSql, MisuseRaisesInsteadOfCrashing) {
    auto q = s_->prepare("select id from t");
    EXPECT_THROW(q->next(), lite_error);
    EXPECT_THROW(q->text(0), lite_error);
    q->execute();
    EXPECT_FALSE(q->next());
    EXPECT_THROW(q->is_null(0), lite_error);
    EXPECT_THROW(q->bind_null(1), lite_error);
    auto live = s_->prepare("select id from t");
    live->execute();
    s_->logoff();
    EXPECT_THROW(live->execute(), lite_error);
    EXPECT_THROW(live->next(), lite_error);
    // DDL on a table that an open cursor of the same session still reads.
    auto s2 = inst_.logon();
    s2->execute("CREATE TABLE busy (a NUMBER)");
    s2->execute("INSERT INTO busy VALUES (1)");
    s2->execute("INSERT INTO busy VALUES (2)");
    auto open_cursor = s2->prepare("select a from busy");
    open_cursor->execute();
    ASSERT_TRUE(open_cursor->next());
    EXPECT_EQ(lite_fails_with(*s2, "DROP TABLE busy"), 54);
    EXPECT_EQ(lite_cell(*s2, "select count(*) from user_tables where table_name = 'BUSY'"), "1");
    lite_session off;
    EXPECT_THROW(off.prepare("select 1 from dual"), lite_error);
    EXPECT_THROW(off.commit(), lite_error);
    off.logoff();
}

TEST_F(LiteSql, ScaledNumbersReadAsTheirFifteenDigitText) {
    // A NUMBER(p,s) value reads as the 15 significant digits of its value rounded to the scale,
    // with ".5" for "0.5", whichever way the text is made: random values of every scale up to
    // 17, with halves, the smallest values, the 15-digit edge and beyond it.
    s_->execute("CREATE TABLE scaled (id NUMBER(6), s NUMBER(2), v BINARY_DOUBLE)");
    std::mt19937_64 random(20261209);
    auto ins = s_->prepare("INSERT INTO scaled VALUES (:1, :2, :3)");
    std::vector<std::pair<int, double>> rows;
    for (int scale = 0; scale <= 17; ++scale) {
        std::vector<double> values = {0.0,
                                      -0.0,
                                      0.5,
                                      -0.5,
                                      1e-4,
                                      1.5e-4,
                                      9.99e-5,
                                      12270.25,
                                      999999999999999.0,
                                      1e15,
                                      123456789012345.6,
                                      0.125,
                                      2.675,
                                      -1.005};
        for (int k = 0; k < 60; ++k) {
            const double magnitude = std::pow(10.0, static_cast<int>(random() % 20) - 6);
            const double v = static_cast<double>(random() % 2000001) / 1000000.0 * magnitude;
            values.push_back(random() % 2 ? -v : v);
        }
        for (double v : values) {
            rows.emplace_back(scale, v);
            ins->bind_int64(1, static_cast<int64_t>(rows.size()));
            ins->bind_int64(2, scale);
            ins->bind_double(3, v);
            ins->execute();
        }
    }
    for (int scale = 0; scale <= 17; ++scale) {
        s_->execute("CREATE TABLE scaled_" + std::to_string(scale) +
                    " (id NUMBER(6), n NUMBER(38," + std::to_string(scale) + "))");
        s_->execute("INSERT INTO scaled_" + std::to_string(scale) +
                    " SELECT id, v FROM scaled WHERE s = " + std::to_string(scale));
    }
    // The stored value is the 15-digit text of the double, rounded as a decimal to the scale
    // (-1.005 to two places is -1.01, whatever the nearest double says).
    auto expected = [](int scale, double v) {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", v);
        lite_decimal d;
        if (!lite_decimal_parse(text, d)) return std::string(text);
        lite_decimal_round(d, scale);
        const double r = std::strtod(lite_decimal_text(d).c_str(), nullptr);
        std::snprintf(text, sizeof text, "%.15g", r);
        std::string t = text;
        if (t == "-0") t = "0";
        if (t.rfind("0.", 0) == 0) t.erase(0, 1);
        if (t.rfind("-0.", 0) == 0) t.erase(1, 1);
        return t;
    };
    std::size_t compared = 0;
    for (int read_ahead : {0, 16}) {
        for (int scale = 0; scale <= 17; ++scale) {
            auto st =
                s_->prepare("SELECT id, n FROM scaled_" + std::to_string(scale) + " ORDER BY id");
            st->set_read_ahead(read_ahead);
            st->execute();
            while (st->next()) {
                const auto& [s, v] = rows[static_cast<size_t>(st->as_int64(0)) - 1];
                const std::string want = expected(s, v);
                // Values that need an exponent are written otherwise; only plain texts compare.
                if (want.find('e') != std::string::npos) continue;
                EXPECT_EQ(std::string(st->text(1)), want)
                    << "scale " << s << ", value " << v << ", read ahead " << read_ahead;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, rows.size());
}

}  // namespace
