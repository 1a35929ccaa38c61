// What a client's describe and the dictionary views report, and the SQL functions' edge values.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"
#include "script/lite_script.h"

namespace {

class LiteCatalogue : public ::testing::Test {
protected:
    void SetUp() override { s_ = inst_.logon(); }
    const lite_column& describe(const std::string& sql, size_t col) {
        st_ = s_->prepare(sql);
        st_->execute();
        return st_->columns().at(col);
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
    std::unique_ptr<lite_statement> st_;
};

TEST_F(LiteCatalogue, DictionaryColumnsDescribeAsOracleDoes) {
    // Texts Oracle keeps as LONG come back as LONG, so readers size them as such.
    EXPECT_EQ(describe("select VIEW_NAME, TEXT from SYS.USER_VIEWS", 1).type_code, LITE_LONG);
    EXPECT_EQ(describe("select DATA_DEFAULT from user_tab_columns", 0).type_code, LITE_LONG);
    const lite_column& name = describe("select TABLE_NAME from user_tables", 0);
    EXPECT_EQ(name.type_code, LITE_VARCHAR2);
    EXPECT_EQ(name.data_size, 128);
    EXPECT_EQ(describe("select COLUMN_ID from user_tab_columns", 0).type_code, LITE_NUMBER);
    EXPECT_EQ(describe("select * from v$version", 0).name, "BANNER");
    EXPECT_EQ(describe("select dummy from dual", 0).name, "DUMMY");
}

TEST_F(LiteCatalogue, StoredColumnsDescribeWithTheirOracleTypes) {
    s_->execute(
        "CREATE TABLE d (n NUMBER(7,3) NOT NULL, f FLOAT(10), i INTEGER, v VARCHAR2(9 CHAR), "
        "nv NVARCHAR2(6), c CHAR(3), nc NCHAR(2), r RAW(7), lr LONG RAW, b BLOB, nl NCLOB, "
        "ts TIMESTAMP(3), tz TIMESTAMP WITH TIME ZONE, ym INTERVAL YEAR TO MONTH, "
        "bf BINARY_FLOAT, bd BINARY_DOUBLE, x XMLTYPE, bfl BFILE, rid ROWID)");
    st_ = s_->prepare("select * from d");
    st_->execute();
    const auto& c = st_->columns();
    ASSERT_EQ(c.size(), 19u);
    EXPECT_EQ(c[0].type_code, LITE_NUMBER);
    EXPECT_EQ(c[0].precision, 7);
    EXPECT_EQ(c[0].scale, 3);
    EXPECT_FALSE(c[0].nullable);
    EXPECT_EQ(c[1].precision, 10);
    EXPECT_EQ(c[1].scale, -127);
    EXPECT_EQ(c[2].precision, 38);
    EXPECT_EQ(c[2].scale, 0);
    EXPECT_EQ(c[3].data_size, 36);
    EXPECT_EQ(c[3].char_length, 9);
    EXPECT_TRUE(c[3].char_semantics);
    EXPECT_EQ(c[4].data_size, 12);
    EXPECT_EQ(c[4].charset_form, 2);
    EXPECT_EQ(c[5].type_code, LITE_CHAR);
    EXPECT_EQ(c[6].charset_form, 2);
    EXPECT_EQ(c[7].type_code, LITE_RAW);
    EXPECT_EQ(c[7].data_size, 7);
    EXPECT_EQ(c[8].type_code, LITE_LONG_RAW);
    EXPECT_EQ(c[9].type_code, LITE_BLOB);
    EXPECT_EQ(c[10].type_code, LITE_CLOB);
    EXPECT_EQ(c[10].charset_form, 2);
    EXPECT_EQ(c[11].type_code, LITE_TIMESTAMP);
    EXPECT_EQ(c[11].scale, 3);
    EXPECT_EQ(c[12].type_code, LITE_TIMESTAMP_TZ);
    EXPECT_EQ(c[13].type_code, LITE_INTERVAL_YM);
    EXPECT_EQ(c[14].type_code, LITE_BINARY_FLOAT);
    EXPECT_EQ(c[15].type_code, LITE_BINARY_DOUBLE);
    EXPECT_EQ(c[16].type_code, LITE_NAMED);
    EXPECT_EQ(c[17].type_code, LITE_BFILE);
    EXPECT_EQ(c[18].type_code, LITE_ROWID);
    // A view's columns describe as the table's.
    s_->execute("CREATE VIEW dv AS SELECT n, v FROM d");
    EXPECT_EQ(describe("select * from dv", 1).data_size, 36);
}

TEST_F(LiteCatalogue, FunctionEdges) {
    EXPECT_EQ(lite_cell(*s_, "select nvl2(NULL, 'a', 'b') from dual"), "b");
    EXPECT_EQ(lite_cell(*s_, "select greatest(1, 3, 2) from dual"), "3");
    EXPECT_EQ(lite_cell(*s_, "select least('b', 'a') from dual"), "a");
    EXPECT_EQ(lite_cell(*s_, "select greatest(1, NULL) from dual"), "<null>");
    EXPECT_EQ(lite_cell(*s_, "select lpad('7', 3, '0') || rpad('x', 3, '.') from dual"), "007x..");
    EXPECT_EQ(lite_cell(*s_, "select initcap('hello wORLD') from dual"), "Hello World");
    EXPECT_EQ(lite_cell(*s_, "select add_months(to_date('2024-01-31','YYYY-MM-DD'), 1) from dual"),
              "2024-02-29 00:00:00");
    EXPECT_EQ(lite_cell(*s_,
                        "select trunc(to_date('2024-05-17 13:14:15','YYYY-MM-DD HH24:MI:SS'), "
                        "'MM') from dual"),
              "2024-05-01 00:00:00");
    EXPECT_EQ(lite_cell(*s_, "select trunc(12.789, 1) from dual"), "12.7");
    EXPECT_EQ(lite_cell(*s_, "select mod(7, 0) from dual"), "7");
    EXPECT_EQ(lite_cell(*s_, "select to_number('1,234.5') from dual"), "1234.5");
    EXPECT_EQ(lite_fails_with(*s_, "select to_number('12x') from dual"), 1722);
    EXPECT_EQ(lite_fails_with(*s_, "select hextoraw('XYZ') from dual"), 1465);
    EXPECT_EQ(lite_cell(*s_, "select to_char(-5.5, '990.00') from dual"), "  -5.50");
    EXPECT_EQ(lite_cell(*s_, "select to_char(12345, '999') from dual"), "#####");
    EXPECT_EQ(lite_cell(*s_,
                        "select to_char(to_timestamp('2020-01-02 03:04:05.5', "
                        "'YYYY-MM-DD HH24:MI:SS.FF'), 'HH12:MI:SS.FF3 AM') from dual"),
              "03:04:05.500 AM");
    EXPECT_EQ(lite_cell(*s_, "select to_char(to_date('2020-01-02', 'YYYY-MM-DD')) from dual"),
              "02-JAN-20");
    EXPECT_EQ(lite_cell(*s_, "select decode('1', 1, 'number and text match') from dual"),
              "number and text match");
    // Dates pushed out of range fail with Oracle's error instead of wrapping around.
    EXPECT_EQ(lite_cell(*s_, "select add_months(DATE '-0100-01-15', 1) from dual"),
              "-0100-02-15 00:00:00");
    EXPECT_EQ(lite_fails_with(*s_, "select add_months(sysdate, 9223372036854775807) from dual"),
              1841);
    EXPECT_EQ(lite_fails_with(*s_, "select add_months(DATE '9999-12-01', 1) from dual"), 1841);
    EXPECT_EQ(lite_fails_with(*s_, "select DATE '1900-01-01' - 1e17 from dual"), 1841);
    EXPECT_EQ(lite_cell(*s_, "select substr('abc', -4) from dual"), "<null>");
    EXPECT_EQ(lite_cell(*s_, "select substr('abc', -2) from dual"), "bc");
    // Padding counts characters: no multi-byte character is cut in two.
    EXPECT_EQ(lite_cell(*s_, "select rpad('\u00e9', 3, '\u00fc') from dual"), "\u00e9\u00fc\u00fc");
    EXPECT_EQ(lite_cell(*s_, "select lpad('\u00e9\u00e9\u00e9', 2) from dual"), "\u00e9\u00e9");
    EXPECT_EQ(lite_cell(*s_, "select lpad('x', 4, '\u00e9a') from dual"), "\u00e9a\u00e9x");
    EXPECT_EQ(lite_cell(*s_, "select trunc(1.5, 400) from dual"), "1.5");
}

TEST_F(LiteCatalogue, TimeZonesStayWithTheirTimestamps) {
    s_->execute("CREATE TABLE z (ts TIMESTAMP(6) WITH TIME ZONE, plain TIMESTAMP)");
    s_->execute(
        "INSERT INTO z VALUES (TO_TIMESTAMP_TZ('2024-03-01 10:00:00.25 +02:00', "
        "'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM'), TIMESTAMP '2024-03-01 10:00:00')");
    s_->execute("INSERT INTO z VALUES (TIMESTAMP '2024-03-01 10:00:00 -05:30', NULL)");
    auto rows = lite_rows(*s_, "select ts, plain from z order by ts");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "2024-03-01 10:00:00.000000000 -05:30");
    EXPECT_EQ(rows[1][0], "2024-03-01 10:00:00.250000000 +02:00");
    EXPECT_EQ(rows[1][1], "2024-03-01 10:00:00.000000000");
    auto q = s_->prepare("select ts from z where ts like '%+02:00'");
    q->execute();
    ASSERT_TRUE(q->next());
    EXPECT_EQ(q->as_datetime(0).tz_minutes, 120);
}

TEST_F(LiteCatalogue, SequencesCycleAndCountDown) {
    s_->execute("CREATE SEQUENCE up MINVALUE 1 MAXVALUE 2 CYCLE NOCACHE");
    s_->execute("CREATE SEQUENCE down INCREMENT BY -1");
    std::vector<std::string> got;
    got.reserve(3);
    for (int i = 0; i < 3; ++i) got.push_back(lite_cell(*s_, "select up.nextval from dual"));
    EXPECT_EQ(got, (std::vector<std::string>{"1", "2", "1"}));
    EXPECT_EQ(lite_cell(*s_, "select down.nextval from dual"), "-1");
    EXPECT_EQ(lite_cell(*s_, "select down.nextval from dual"), "-2");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SEQUENCE up"), 955);
    s_->execute("DROP SEQUENCE up");
    EXPECT_EQ(lite_fails_with(*s_, "select up.nextval from dual"), 2289);
    // The last 64-bit number is given out once; the one after it is past the end.
    s_->execute("CREATE SEQUENCE edge START WITH 9223372036854775806");
    EXPECT_EQ(lite_cell(*s_, "select edge.nextval from dual"), "9223372036854775806");
    EXPECT_EQ(lite_cell(*s_, "select edge.nextval from dual"), "9223372036854775807");
    EXPECT_EQ(lite_fails_with(*s_, "select edge.nextval from dual"), 8004);
    // The bound written as a real, as the writer of destination sequences sends it.
    s_->execute(
        "CREATE SEQUENCE \"T_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 "
        "NOCYCLE NOCACHE ORDER");
    EXPECT_EQ(lite_cell(*s_, "select max_value from user_sequences where sequence_name = 'T_0'"),
              "10000000000000000000000000000");
    EXPECT_EQ(lite_cell(*s_, "select \"T_0\".nextval from dual"), "1");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SEQUENCE t_1 MAXVALUE 2.5"), 2017);
}

TEST_F(LiteCatalogue, SelectIntoNeedsExactlyOneRow) {
    s_->execute("CREATE TABLE one (a NUMBER)");
    lite_script_runner r(*s_, nullptr);
    auto code = [&](const std::string& block) {
        try {
            r.run_block(block);
        } catch (const lite_error& e) {
            return e.code();
        }
        return 0;
    };
    EXPECT_EQ(code("DECLARE v NUMBER; BEGIN SELECT a INTO v FROM one; END;"), 1403);
    s_->execute("INSERT INTO one VALUES (1)");
    s_->execute("INSERT INTO one VALUES (2)");
    EXPECT_EQ(code("DECLARE v NUMBER; BEGIN SELECT a INTO v FROM one; END;"), 1422);
    EXPECT_EQ(code("DECLARE v NUMBER; BEGIN SELECT max(a) INTO v FROM one; "
                   "INSERT INTO one VALUES (v * 10); END;"),
              0);
    EXPECT_EQ(lite_cell(*s_, "select max(a) from one"), "20");
}

}  // namespace
