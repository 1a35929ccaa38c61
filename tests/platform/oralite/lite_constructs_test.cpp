// Oracle constructs end to end on an instance: what a query answers and how its columns are
// described, empty and filled.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

class LiteConstructs : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE emp (id NUMBER(6) PRIMARY KEY, dept NUMBER(4), name VARCHAR2(30), "
            "hired DATE, sal NUMBER(8,2), stamp TIMESTAMP(3), pic BLOB, doc CLOB, r RAW(16), "
            "\"with space\" VARCHAR2(5))");
    }
    void fill() {
        s_->execute(
            "INSERT INTO emp (id, dept, name, hired, sal, doc) VALUES (1, 10, 'Ann', DATE "
            "'2020-01-15', 1000, 'hello')");
        s_->execute(
            "INSERT INTO emp (id, dept, name, hired, sal) VALUES (2, 10, 'Bob', DATE '2021-03-01', "
            "2000)");
        s_->execute(
            "INSERT INTO emp (id, dept, name, hired, sal) VALUES (3, 20, 'Cy', DATE '2019-07-04', "
            "1500)");
    }
    // Type text and code of each column of a query.
    std::vector<std::string> types(const std::string& sql) {
        auto st = s_->prepare(sql);
        st->execute();
        std::vector<std::string> r;
        for (const lite_column& c : st->columns()) r.push_back(c.name + ":" + c.type_text);
        return r;
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteConstructs, PrecedenceIsOracles) {
    EXPECT_EQ(lite_cell(*s_, "select 1 + 2 || 'x' from dual"), "3x");
    EXPECT_EQ(lite_cell(*s_, "select 2 * 3 || 4 - 1 from dual"), "63");
    EXPECT_EQ(lite_cell(*s_, "select 10 - 2 - 3 from dual"), "5");
    EXPECT_EQ(lite_cell(*s_, "select 7 / 2 from dual"), "3.5");
    EXPECT_EQ(lite_fails_with(*s_, "select 1 / 0 from dual"), 1476);
    EXPECT_EQ(lite_fails_with(*s_, "select 'x' || 1 + 2 from dual"), 1722);
}

TEST_F(LiteConstructs, ExtractTrimAndWindowsInExpressions) {
    fill();
    EXPECT_EQ(lite_cell(*s_, "select extract(year from hired) from emp where id = 1"), "2020");
    EXPECT_EQ(lite_cell(*s_, "select extract(month from hired) from emp where id = 2"), "3");
    EXPECT_EQ(lite_cell(*s_,
                        "select extract(second from timestamp '2020-01-01 10:00:07.25') "
                        "from dual"),
              "7.25");
    EXPECT_EQ(lite_cell(*s_, "select trim(leading 'x' from 'xxabxx') from dual"), "abxx");
    EXPECT_EQ(lite_cell(*s_, "select trim(trailing from '  ab  ') || '|' from dual"), "  ab|");
    EXPECT_EQ(lite_cell(*s_, "select nvl(trim('   '), 'null') from dual"), "null");
    EXPECT_EQ(lite_fails_with(*s_, "select trim('xy' from 'xyz') from dual"), 30001);
    EXPECT_EQ(lite_rows(*s_,
                        "select name || ' #' || row_number() over (order by sal desc) from "
                        "emp order by id"),
              (std::vector<std::vector<std::string>>{{"Ann #3"}, {"Bob #1"}, {"Cy #2"}}));
    EXPECT_EQ(lite_rows(*s_, "select id, sum(sal) over (partition by dept) from emp order by id"),
              (std::vector<std::vector<std::string>>{{"1", "3000"}, {"2", "3000"}, {"3", "1500"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select id, lag(name, 1, '-') over (order by id) from emp order by "
                        "id"),
              (std::vector<std::vector<std::string>>{{"1", "-"}, {"2", "Ann"}, {"3", "Bob"}}));
}

TEST_F(LiteConstructs, ListaggAndGroupingSets) {
    fill();
    EXPECT_EQ(lite_rows(*s_,
                        "select dept, listagg(name, ',') within group (order by name desc) "
                        "from emp group by dept order by dept"),
              (std::vector<std::vector<std::string>>{{"10", "Bob,Ann"}, {"20", "Cy"}}));
    EXPECT_EQ(lite_cell(*s_, "select listagg(name) within group (order by id) from emp"),
              "AnnBobCy");
    EXPECT_EQ(lite_rows(*s_,
                        "select distinct dept, listagg(name, '+') within group (order by "
                        "name) over (partition by dept) from emp order by dept"),
              (std::vector<std::vector<std::string>>{{"10", "Ann+Bob"}, {"20", "Cy"}}));
    // ON OVERFLOW TRUNCATE keeps the list within 32,767 bytes and counts what it left out.
    s_->execute("CREATE TABLE big (v VARCHAR2(4000))");
    for (int k = 0; k < 12; ++k) s_->execute("INSERT INTO big VALUES (rpad('v', 4000, 'w'))");
    std::string cut = lite_cell(*s_,
                                "select listagg(v, ',' on overflow truncate '~' with count) "
                                "within group (order by v) from big");
    EXPECT_EQ(cut.substr(cut.size() - 5), ",~(4)") << cut.substr(cut.size() - 20);
    EXPECT_EQ(lite_fails_with(*s_, "select listagg(v, ',') within group (order by v) from big"),
              1489);
    EXPECT_EQ(lite_rows(*s_,
                        "select dept, count(*), grouping_id(dept) from emp group by "
                        "rollup(dept) order by dept"),
              (std::vector<std::vector<std::string>>{
                  {"10", "2", "0"}, {"20", "1", "0"}, {"<null>", "3", "1"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select dept, extract(year from hired) y, count(*) from emp group by "
                        "grouping sets ((dept, extract(year from hired)), ()) order by 1, 2"),
              (std::vector<std::vector<std::string>>{{"10", "2020", "1"},
                                                     {"10", "2021", "1"},
                                                     {"20", "2019", "1"},
                                                     {"<null>", "<null>", "3"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select dept, grouping(dept), count(*) from emp group by cube(dept) "
                        "having count(*) > 1 order by 1"),
              (std::vector<std::vector<std::string>>{{"10", "0", "2"}, {"<null>", "1", "3"}}));
}

TEST_F(LiteConstructs, RowLimitsAndOrdering) {
    fill();
    s_->execute("INSERT INTO emp (id, name) VALUES (4, 'Dee')");
    EXPECT_EQ(lite_rows(*s_, "select id from emp order by sal desc fetch first 2 rows only"),
              (std::vector<std::vector<std::string>>{{"4"}, {"2"}}))
        << "NULL sorts first descending, as in Oracle";
    EXPECT_EQ(
        lite_rows(*s_, "select id from emp order by sal offset 1 rows fetch next 2 rows only"),
        (std::vector<std::vector<std::string>>{{"3"}, {"2"}}));
    EXPECT_EQ(lite_rows(*s_, "select id from emp order by sal nulls first, id"),
              (std::vector<std::vector<std::string>>{{"4"}, {"1"}, {"3"}, {"2"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp where name like 'a%'"), "0")
        << "LIKE tells case";
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp where name like 'A%'"), "1");
}

TEST_F(LiteConstructs, LobsRawsAndLongValues) {
    fill();
    EXPECT_EQ(lite_cell(*s_, "select dbms_lob.getlength(doc) from emp where id = 1"), "5");
    EXPECT_EQ(lite_cell(*s_, "select dbms_lob.substr(doc, 3, 2) from emp where id = 1"), "ell");
    EXPECT_EQ(lite_cell(*s_, "select length('a' || chr(0) || 'b') from dual"), "3");
    EXPECT_EQ(lite_cell(*s_, "select length(rpad('x', 40000, 'y')) from dual"), "40000");
    EXPECT_EQ(lite_cell(*s_, "select length(hextoraw(rpad('AB', 6000, 'AB'))) from dual"), "3000");
    EXPECT_EQ(lite_cell(*s_, "select dbms_lob.getlength(to_clob(lpad('x', 50000, 'z'))) from dual"),
              "50000");
    EXPECT_EQ(lite_cell(*s_, "select rawtohex(to_blob('0a0b')) from dual"), "0A0B");
    // Hex text into RAW and BLOB columns is converted as Oracle converts it.
    s_->execute("UPDATE emp SET r = 'CAFE', pic = 'deadbeef' WHERE id = 1");
    EXPECT_EQ(lite_rows(*s_, "select rawtohex(r), rawtohex(pic) from emp where id = 1"),
              (std::vector<std::vector<std::string>>{{"CAFE", "DEADBEEF"}}));
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE emp SET r = 'not hex' WHERE id = 1"), 1465);
    EXPECT_EQ(lite_fails_with(*s_, "select rpad('x', 999999999999, 'y') from dual"), 1489);
}

TEST_F(LiteConstructs, TimestampsKeepTheirPrecision) {
    s_->execute(
        "INSERT INTO emp (id, stamp) VALUES (1, TIMESTAMP '2020-01-01 10:00:00.123456789')");
    s_->execute("INSERT INTO emp (id, stamp) VALUES (2, TIMESTAMP '2020-12-31 23:59:59.9999')");
    EXPECT_EQ(lite_rows(*s_, "select stamp from emp order by id"),
              (std::vector<std::vector<std::string>>{{"2020-01-01 10:00:00.123000000"},
                                                     {"2021-01-01 00:00:00.000000000"}}));
}

TEST_F(LiteConstructs, ReturningRowidOfEveryDml) {
    fill();
    auto up =
        s_->prepare("UPDATE emp SET sal = sal + 1 WHERE name = 'Bob' RETURNING ROWID INTO :r");
    up->execute();
    EXPECT_EQ(up->rows_affected(), 1);
    const std::string rid = up->returned_rowid();
    ASSERT_FALSE(rid.empty());
    EXPECT_EQ(lite_cell(*s_, "select name from emp where rowid = '" + rid + "'"), "Bob");
    auto del = s_->prepare("DELETE FROM emp WHERE id = 3 RETURNING ROWID INTO :r");
    del->execute();
    EXPECT_FALSE(del->returned_rowid().empty());
    auto none = s_->prepare("UPDATE emp SET sal = 0 WHERE id = 99 RETURNING ROWID INTO :r");
    none->execute();
    EXPECT_EQ(none->returned_rowid(), "") << "no row touched, no ROWID";
}

TEST_F(LiteConstructs, ExpressionTypesComeFromTheExpressionNotTheRows) {
    const std::string sql =
        "select max(hired) mh, nvl(sal, 0) ns, count(*) c, name || 'x' cat, sysdate sd, "
        "hired + 1 d1, hired - hired dd, upper(name) un, min(stamp) ms, decode(id, 1, hired) dh, "
        "(select max(sal) from emp) sq, cast(id as varchar2(10)) cv, \"with space\" "
        "from emp group by hired, sal, name, id, \"with space\"";
    const std::vector<std::string> want{
        "MH:DATE",   "NS:NUMBER",   "C:NUMBER",           "CAT:VARCHAR2",    "SD:DATE",
        "D1:DATE",   "DD:NUMBER",   "UN:VARCHAR2",        "MS:TIMESTAMP(3)", "DH:DATE",
        "SQ:NUMBER", "CV:VARCHAR2", "with space:VARCHAR2"};
    EXPECT_EQ(types(sql), want) << "empty result";
    fill();
    EXPECT_EQ(types(sql), want) << "filled result";
    auto nvl = s_->prepare(sql);
    nvl->execute();
    EXPECT_EQ(nvl->columns()[1].precision, 8) << "NVL keeps its first argument's type";
    EXPECT_EQ(nvl->columns()[1].scale, 2);
    auto st = s_->prepare("select nvl(sal, 0) from emp");
    st->describe_only();
    ASSERT_EQ(st->columns().size(), 1u);
    EXPECT_EQ(st->columns()[0].name, "NVL(SAL,0)");
    EXPECT_EQ(st->columns()[0].type_code, LITE_NUMBER);
}

TEST_F(LiteConstructs, FunctionsAndFormsTheReadmeLists) {
    fill();
    auto one = [&](const std::string& expr) {
        return lite_cell(*s_, "select " + expr + " from dual");
    };
    EXPECT_EQ(one("coalesce(null, '', 'c')"), "c");
    EXPECT_EQ(one("nvl(nullif(1, 1), 9)"), "9");
    EXPECT_EQ(one("instr('banana', 'an', 1, 2)"), "4");
    EXPECT_EQ(one("instr('banana', 'an', -1)"), "4");
    EXPECT_EQ(one("lengthb('é')"), "2");
    EXPECT_EQ(one("ltrim('xxab', 'x') || rtrim('ab  ')"), "abab");
    EXPECT_EQ(one("replace('a-b-c', '-')"), "abc");
    EXPECT_EQ(one("sign(-3) + power(2, 3) + sqrt(16) + abs(-1)"), "12");
    EXPECT_EQ(one("cast('12.345' as number(5,2))"), "12.35");
    EXPECT_EQ(one("utl_raw.cast_to_varchar2(utl_raw.cast_to_raw('hi'))"), "hi");
    EXPECT_EQ(one("to_char(add_months(date '2024-01-31', 1), 'YYYY-MM-DD')"), "2024-02-29");
    EXPECT_EQ(lite_rows(*s_,
                        "select e.name, d.n from emp e right join (select 10 dept, 'ten' n "
                        "from dual union all select 30, 'thirty' from dual) d using (dept) "
                        "order by 2, 1"),
              (std::vector<std::vector<std::string>>{
                  {"Ann", "ten"}, {"Bob", "ten"}, {"<null>", "thirty"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp a full join emp b on a.id = b.id + 1"), "4");
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from emp where sal > all (select sal from emp where "
                        "dept = 10 and id = 1)"),
              "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp where sal = any (select 1000 from dual)"),
              "1");
    s_->execute("UPDATE emp SET (name, sal) = (SELECT 'Zed', 5 FROM dual) WHERE id = 3");
    EXPECT_EQ(lite_rows(*s_, "select name, sal from emp where id = 3"),
              (std::vector<std::vector<std::string>>{{"Zed", "5"}}));
    s_->execute("CREATE TABLE copy (id NUMBER GENERATED AS IDENTITY, name VARCHAR2(30))");
    s_->execute("INSERT INTO copy (name) SELECT name FROM emp WHERE id < 3");
    EXPECT_EQ(lite_cell(*s_, "select max(id) from copy"), "2");
    s_->execute("ALTER TABLE copy MODIFY id DROP IDENTITY");
    EXPECT_EQ(lite_cell(*s_,
                        "select identity_column from user_tab_columns where table_name = "
                        "'COPY' and column_name = 'ID'"),
              "NO");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE copy MODIFY id DROP IDENTITY"), 30673);
    EXPECT_EQ(lite_fails_with(*s_, "select id from emp connect by prior id = dept"), 3001);
    EXPECT_EQ(lite_fails_with(*s_, "select id from emp fetch first 10 percent rows only"), 3001);
}

}  // namespace
