// Queries answered as Oracle answers them where SQLite, left to itself, would answer otherwise:
// when ROWNUM is assigned, what GROUPING sees through qualified names, how CHAR compares and
// what it holds, and which error a malformed query raises.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

using rows_t = std::vector<std::vector<std::string>>;

class LiteQuerySemantics : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute("CREATE TABLE t (a NUMBER, b VARCHAR2(10), c CHAR(5), v VARCHAR2(10))");
        s_->execute("INSERT INTO t VALUES (1, 'x', 'ab', 'ab')");
        s_->execute("INSERT INTO t VALUES (2, 'x', 'cd', 'cd ')");
        s_->execute("INSERT INTO t VALUES (3, 'y', 'ab', 'ab')");
        s_->execute("CREATE TABLE d (b VARCHAR2(10), name VARCHAR2(20))");
        s_->execute("INSERT INTO d VALUES ('x', 'Ex')");
        s_->execute("INSERT INTO d VALUES ('y', 'Why')");
    }
    // What a query fails with while it runs to its last row: "ORA-nnnnn: text", "" when it
    // does not fail.
    std::string failure(const std::string& sql) {
        try {
            lite_rows(*s_, sql);
        } catch (const lite_error& e) {
            return e.what();
        }
        return {};
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteQuerySemantics, RownumIsAssignedBeforeGroupingAndAggregation) {
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum <= 2"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum < 2"), "1");
    // Row 1 fails ROWNUM = 2, so no row ever gets number 2: the count is of no rows.
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum = 2"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum > 1"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum >= 1"), "3");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rownum <> 3"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where 2 >= rownum"), "2");
    // The numbers go to the rows that pass the other conditions.
    EXPECT_EQ(lite_cell(*s_, "select max(a) from t where b = 'y' and rownum <= 1"), "3");
    EXPECT_EQ(lite_rows(*s_, "select b, count(*) from t where rownum <= 2 group by b"),
              (rows_t{{"x", "2"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select b, count(*) from t where rownum <= 3 group by b having "
                        "count(*) > 1 order by b"),
              (rows_t{{"x", "2"}}));
    EXPECT_EQ(lite_rows(*s_, "select distinct b from t where rownum <= 2"), (rows_t{{"x"}}));
    EXPECT_EQ(lite_rows(*s_, "select sum(a) over () from t where rownum <= 2"),
              (rows_t{{"3"}, {"3"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t, d where t.b = d.b and rownum <= 2"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from (select a from t) q where rownum <= 1"), "1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t x where rownum <= 2 and x.a > 1"), "2");
    // Without aggregation the limit still comes before the sort.
    EXPECT_EQ(lite_rows(*s_, "select a from t where rownum <= 2 order by a desc"),
              (rows_t{{"2"}, {"1"}}));
    EXPECT_EQ(lite_rows(*s_, "select b, count(*) from t where rownum <= 2 group by b order by 1"),
              (rows_t{{"x", "2"}}));
}

TEST_F(LiteQuerySemantics, GroupingSeesColumnsHoweverTheyAreQualified) {
    const rows_t rollup{{"x", "0", "0", "2"}, {"y", "0", "0", "1"}, {"<null>", "1", "1", "3"}};
    EXPECT_EQ(lite_rows(*s_,
                        "select t.b, grouping(t.b), grouping_id(t.b), count(*) from t group by "
                        "rollup(t.b) order by 2, 1"),
              rollup);
    EXPECT_EQ(lite_rows(*s_,
                        "select b, grouping(b), grouping_id(b), count(*) from t group by "
                        "rollup(t.b) order by 2, 1"),
              rollup);
    EXPECT_EQ(lite_rows(*s_,
                        "select x.b, grouping(x.b), grouping_id(b), count(*) from t x group by "
                        "rollup(b) order by 2, 1"),
              rollup);
    EXPECT_EQ(lite_rows(*s_,
                        "select name, c, grouping_id(name, t.c) gid, sum(t.a) from t, d where "
                        "t.b = d.b group by rollup(d.name, c) order by gid, name, c"),
              (rows_t{{"Ex", "ab   ", "0", "1"},
                      {"Ex", "cd   ", "0", "2"},
                      {"Why", "ab   ", "0", "3"},
                      {"Ex", "<null>", "1", "3"},
                      {"Why", "<null>", "1", "3"},
                      {"<null>", "<null>", "3", "6"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select dd.name, grouping_id(dd.name, tt.b) from t tt join d dd on tt.b "
                        "= dd.b group by cube(name, tt.b) order by 2, 1"),
              (rows_t{{"Ex", "0"},
                      {"Why", "0"},
                      {"Ex", "1"},
                      {"Why", "1"},
                      {"<null>", "2"},
                      {"<null>", "2"},
                      {"<null>", "3"}}));
    // An inline view without an alias has no name to qualify its columns with.
    EXPECT_EQ(lite_rows(*s_, "select b, count(*) from (select b from t) group by b order by b"),
              (rows_t{{"x", "2"}, {"y", "1"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from (select b from t) where rownum <= 2"), "2");
    // The empty grouping set is one row, with or without an aggregate in the select list.
    EXPECT_EQ(lite_rows(*s_,
                        "select b, grouping(b) from t group by grouping sets ((t.b), ()) order "
                        "by 2, 1"),
              (rows_t{{"x", "0"}, {"y", "0"}, {"<null>", "1"}}));
    s_->execute(
        "CREATE VIEW gv AS SELECT d.name, grouping_id(d.name) gid, sum(t.a) total FROM t, d "
        "WHERE t.b = d.b GROUP BY ROLLUP(d.name)");
    EXPECT_EQ(lite_rows(*s_, "select name, gid, total from gv order by gid, name"),
              (rows_t{{"Ex", "0", "3"}, {"Why", "0", "3"}, {"<null>", "1", "6"}}));
}

TEST_F(LiteQuerySemantics, CharIsStoredPaddedAndComparedBlankPadded) {
    EXPECT_EQ(lite_cell(*s_, "select length(c) from t where a = 1"), "5");
    EXPECT_EQ(lite_cell(*s_, "select c || '|' from t where a = 1"), "ab   |");
    EXPECT_EQ(lite_cell(*s_, "select substr(c, 2) || '|' from t where a = 1"), "b   |");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where c like 'ab'"), "0");
    EXPECT_EQ(lite_cell(*s_, "select rtrim(c) || '|' from t where a = 1"), "ab|");
    // A fetch gives the padded value, as it always did.
    EXPECT_EQ(lite_rows(*s_, "select c from t order by a"),
              (rows_t{{"ab   "}, {"cd   "}, {"ab   "}}));
    // CHAR against a text literal, and literal against literal: blank-padded.
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where c = 'ab'"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where 'ab ' = c"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where c in ('cd', 'zz')"), "1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where c <> 'ab'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dual where 'a' = 'a  '"), "1");
    // CHAR against VARCHAR2: the padded value as it is, so 'ab   ' is not 'ab'.
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where c = v"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where rtrim(c) = v"), "2");
    auto st = s_->prepare("select count(*) from t where c = :1");
    st->bind_text(1, "ab");
    st->execute();
    ASSERT_TRUE(st->next());
    EXPECT_EQ(std::string(st->text(0)), "0");
    st->bind_text(1, "ab   ");
    st->execute();
    ASSERT_TRUE(st->next());
    EXPECT_EQ(std::string(st->text(0)), "2");
    // CHAR against CHAR of another width: blank-padded.
    s_->execute("CREATE TABLE w (k CHAR(3), n NCHAR(4), m CHAR(3 CHAR))");
    s_->execute("INSERT INTO w VALUES ('ab', 'ab', 'é')");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t, w where t.c = w.k"), "2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from w where n = k"), "1");
    EXPECT_EQ(lite_rows(*s_, "select length(n), length(m), lengthb(m) from w"),
              (rows_t{{"4", "3", "4"}}));
    s_->execute("UPDATE t SET c = 'z' WHERE a = 1");
    EXPECT_EQ(lite_cell(*s_, "select c || '|' from t where a = 1"), "z    |");
    s_->execute("INSERT INTO w (k) SELECT b FROM t WHERE a = 3");
    EXPECT_EQ(lite_cell(*s_, "select k || '|' from w where n is null"), "y  |");
}

TEST_F(LiteQuerySemantics, CharKeepsItsPaddingThroughViewsSubqueriesUnionsAndCasts) {
    s_->execute("CREATE VIEW tv AS SELECT a, c, v FROM t");
    const char* const sources[] = {"tv", "(select a, c, v from t)",
                                   "(select a, c, v from t union select a, c, v from t)"};
    for (const char* from : sources) {
        const std::string f = from;
        EXPECT_EQ(lite_rows(*s_, "select c || '|', length(c), rpad(c, 7, '*') from " + f +
                                     " where a = 1"),
                  (rows_t{{"ab   |", "5", "ab   **"}}))
            << f;
        EXPECT_EQ(lite_cell(*s_, "select count(*) from " + f + " where c = 'ab'"), "2") << f;
        EXPECT_EQ(lite_cell(*s_, "select count(*) from " + f + " where c = v"), "0") << f;
    }
    EXPECT_EQ(lite_cell(*s_, "select count(*) from tv x, t y where x.c = y.c and x.a = y.a"), "3");
    // A view's own conditions compare as its query does.
    s_->execute("CREATE VIEW tw AS SELECT a FROM t WHERE c = 'ab'");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from tw"), "2");
    EXPECT_EQ(lite_rows(*s_,
                        "select cast('ab' as char(5)) || '|', length(cast('ab' as char(5))), "
                        "cast('x' as char) || '|' from dual"),
              (rows_t{{"ab   |", "5", "x|"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dual where cast('ab' as char(5)) = 'ab'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select cast(v as char(4)) || '|' from t where a = 1"), "ab  |");
    EXPECT_EQ(failure("select cast('abcdef' as char(3)) from dual"),
              "ORA-25137: Data value out of range");
}

TEST_F(LiteQuerySemantics, CharConstraintsDefaultsAndIndexesComparePadded) {
    s_->execute(
        "CREATE TABLE ck (f CHAR(3) CHECK (f IN ('Y', 'N')), g CHAR(2) DEFAULT 'a', h NUMBER)");
    s_->execute("INSERT INTO ck (f, h) VALUES ('Y', 1)");
    EXPECT_EQ(lite_rows(*s_, "select f || '|', g || '|' from ck"), (rows_t{{"Y  |", "a |"}}));
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ck (f, h) VALUES ('X', 2)"), 2290);
    s_->execute("CREATE UNIQUE INDEX ck_u ON ck (CASE WHEN f = 'Y' THEN h END)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ck (f, h) VALUES ('Y', 1)"), 1);
    s_->execute("INSERT INTO ck (f, h) VALUES ('N', 1)");
    s_->execute("UPDATE ck SET h = 5 WHERE f = 'N'");
    EXPECT_EQ(lite_cell(*s_, "select h from ck where f = 'N'"), "5");
    s_->execute("DELETE FROM ck WHERE f = 'N'");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from ck"), "1");
    s_->execute(
        "CREATE TRIGGER ck_t BEFORE INSERT ON ck FOR EACH ROW WHEN (new.f = 'N') BEGIN :new.h "
        ":= 7; END;");
    s_->execute("INSERT INTO ck (f, h) VALUES ('N', 2)");
    EXPECT_EQ(lite_cell(*s_, "select h from ck where f = 'N'"), "7");
}

TEST_F(LiteQuerySemantics, MalformedQueriesRaiseOraclesErrors) {
    EXPECT_EQ(failure("select a from t x, t y"), "ORA-00918: column ambiguously defined");
    EXPECT_EQ(failure("select (select a from t) from dual"),
              "ORA-01427: single-row subquery returns more than one row");
    EXPECT_EQ(failure("select a from t where a = (select a from t where b = 'x')"),
              "ORA-01427: single-row subquery returns more than one row");
    EXPECT_EQ(failure("select a, count(*) from t"), "ORA-00937: not a single-group group function");
    EXPECT_EQ(failure("select a, count(*) from t group by b"),
              "ORA-00979: not a GROUP BY expression");
    EXPECT_EQ(failure("select b from t group by b having a > 1"),
              "ORA-00979: not a GROUP BY expression");
    EXPECT_EQ(failure("select a from t union select b from t"),
              "ORA-01790: expression must have same datatype as corresponding expression");
    EXPECT_EQ(failure("select a from t union all select sysdate from dual"),
              "ORA-01790: expression must have same datatype as corresponding expression");
    EXPECT_EQ(failure("select 1 from dual minus select 'a' from dual"),
              "ORA-01790: expression must have same datatype as corresponding expression");

    // What Oracle runs runs here too.
    EXPECT_EQ(lite_rows(*s_, "select a, (select name from d where d.b = t.b) from t order by a"),
              (rows_t{{"1", "Ex"}, {"2", "Ex"}, {"3", "Why"}}));
    EXPECT_EQ(lite_cell(*s_, "select (select a from t where rownum = 1) from dual"), "1");
    EXPECT_EQ(lite_cell(*s_, "select nvl((select a from t where a = 9), 0) from dual"), "0");
    EXPECT_EQ(lite_cell(*s_, "select (select max(a) from t group by b having b = 'y') from dual"),
              "3");
    EXPECT_EQ(lite_rows(*s_, "select t.b, count(*) from t group by b order by 1"),
              (rows_t{{"x", "2"}, {"y", "1"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select upper(b) || '!', count(*) + 1, sysdate - sysdate from t group "
                        "by b order by 1"),
              (rows_t{{"X!", "3", "0"}, {"Y!", "2", "0"}}));
    EXPECT_EQ(lite_rows(*s_, "select a + 1 from t group by a + 1 having a + 1 > 3"),
              (rows_t{{"4"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) + max(a) from t having count(*) > 1"), "6");
    EXPECT_EQ(lite_rows(*s_,
                        "select b, rank() over (order by sum(a), b) from t group by b "
                        "order by 1"),
              (rows_t{{"x", "1"}, {"y", "2"}}));
    EXPECT_EQ(lite_rows(*s_, "select a from t where a = 1 union select null from dual order by 1"),
              (rows_t{{"1"}, {"<null>"}}));
    EXPECT_EQ(lite_rows(*s_, "select b from t where a = 1 union select c from t where a = 2"),
              (rows_t{{"cd   "}, {"x"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from (select a from t union select 2.5 from dual)"),
              "4");
}

}  // namespace
