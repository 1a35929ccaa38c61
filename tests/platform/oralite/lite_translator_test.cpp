// The translator, golden: Oracle text in, SQLite text out, one construct at a time. The SQLite
// text is what the engine runs; a change here is a change of meaning and must be deliberate.
#include <gtest/gtest.h>

#include <map>

#include "lite_engine.h"
#include "lite_internal.h"
#include "ddl/lite_schema.h"

namespace {

// Two tables, as the dictionary would describe them.
class fixed_schema : public lite_schema {
public:
    fixed_schema() {
        auto col = [](const char* n, const char* type, int scale = -1) {
            lite_table_column c;
            c.name = n;
            c.type.data_type = type;
            if (scale >= 0) c.type.scale = scale;
            return c;
        };
        tables_[{"APP", "DOCS"}] = {col("ID", "NUMBER"), col("BODY", "BLOB"),
                                    col("STAMP", "TIMESTAMP(3)", 3), col("NOTE", "VARCHAR2")};
        tables_[{"APP", "EMP"}] = {col("ID", "NUMBER"), col("NAME", "VARCHAR2")};
    }
    const std::vector<lite_table_column>* table_columns(const std::string& owner,
                                                        const std::string& table) override {
        auto it = tables_.find({owner, table});
        return it == tables_.end() ? nullptr : &it->second;
    }

private:
    std::map<std::pair<std::string, std::string>, std::vector<lite_table_column>> tables_;
};

std::string sqlite_of(const std::string& oracle) {
    fixed_schema schema;
    return lite_translate(oracle, "APP", &schema).sql;
}

int fails_with(const std::string& oracle) {
    try {
        sqlite_of(oracle);
    } catch (const lite_error& e) {
        return e.code();
    }
    return 0;
}

TEST(LiteTranslator, NamesAndQualifiers) {
    EXPECT_EQ(sqlite_of("select id, e.name from emp e"),
              "SELECT \"ID\" AS \"ID\", \"E\".\"NAME\" AS \"NAME\" FROM \"EMP\" AS \"E\"");
    EXPECT_EQ(sqlite_of("select * from app.emp"), "SELECT * FROM main.\"EMP\"");
    EXPECT_EQ(sqlite_of("select * from hr.jobs"), "SELECT * FROM \"HR\".\"JOBS\"");
    EXPECT_EQ(sqlite_of("select * from sys.dual"), "SELECT * FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select emp# from t"), "SELECT \"EMP#\" AS \"EMP#\" FROM \"T\"");
    // SQLite compares names without regard to case: a lower-case letter is marked to keep
    // "with space" apart from "WITH SPACE".
    EXPECT_EQ(sqlite_of("select \"with space\" from t"),
              "SELECT \"\"\"w\"\"i\"\"t\"\"h \"\"s\"\"p\"\"a\"\"c\"\"e\" AS "
              "\"\"\"w\"\"i\"\"t\"\"h \"\"s\"\"p\"\"a\"\"c\"\"e\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select \"WITH SPACE\" from t"),
              "SELECT \"WITH SPACE\" AS \"WITH SPACE\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select rowid from t"), "SELECT rowid AS \"ROWID\" FROM \"T\"");
}

TEST(LiteTranslator, ExpressionColumnsKeepOraclesNames) {
    EXPECT_EQ(sqlite_of("select count( * ) from t"), "SELECT count(*) AS \"COUNT(*)\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select nvl(a, 'x y') n from t"),
              "SELECT NVL(\"A\", 'x y') AS \"N\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select nvl(a, 'x y') from t"),
              "SELECT NVL(\"A\", 'x y') AS \"NVL(A,'\"\"x \"\"y')\" FROM \"T\"");
}

TEST(LiteTranslator, OperatorsFollowOraclesPrecedence) {
    // + - and || are one level, left to right.
    EXPECT_EQ(sqlite_of("select 1 + 2 || 'x' from dual"),
              "SELECT LITE_CAT(LITE_ADD(1, 2), 'x') AS \"1+2||'\"\"x'\" FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select 'x' || 1 + 2 from dual"),
              "SELECT LITE_ADD(LITE_CAT('x', 1), 2) AS \"'\"\"x'||1+2\" FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select a - b * c / d from t"),
              "SELECT LITE_SUB(\"A\", LITE_DIV(LITE_MUL(\"B\", \"C\"), \"D\")) AS \"A-B*C/D\" FROM "
              "\"T\"");
    EXPECT_EQ(sqlite_of("select 1 from t where a = 1 or b = 2 and not c = 3"),
              "SELECT 1 AS \"1\" FROM \"T\" WHERE ((\"A\" = 1) OR ((\"B\" = 2) AND (NOT (\"C\" = "
              "3))))");
    EXPECT_EQ(sqlite_of("select -a, - 5 from t"),
              "SELECT LITE_NEG(\"A\") AS \"-A\", -5 AS \"-5\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select a||b||c from t"),
              "SELECT LITE_CAT(\"A\", \"B\", \"C\") AS \"A||B||C\" FROM \"T\"");
}

TEST(LiteTranslator, Literals) {
    EXPECT_EQ(sqlite_of("select '' , q'[it's]', date '2024-02-29' from dual"),
              "SELECT NULL AS \"''\", 'it''s' AS \"\"\"q'[\"\"i\"\"t'\"\"s]'\", "
              "'2024-02-29 00:00:00' AS "
              "\"DATE'2024-02-29'\" FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select 12345678901234567890123 from dual"),
              "SELECT '12345678901234567890123' AS \"12345678901234567890123\" FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select timestamp '2024-01-01 10:00:00.5' from dual"),
              "SELECT '2024-01-01 10:00:00.500000000' AS \"TIMESTAMP'2024-01-01 10:00:00.5'\" "
              "FROM \"DUAL\"");
}

TEST(LiteTranslator, PseudoColumnsAndSequences) {
    EXPECT_EQ(sqlite_of("select sysdate, systimestamp, user from dual"),
              "SELECT SYSDATE() AS \"SYSDATE\", SYSTIMESTAMP() AS \"SYSTIMESTAMP\", 'APP' AS "
              "\"USER\" FROM \"DUAL\"");
    EXPECT_EQ(sqlite_of("select s.nextval, hr.s.currval from dual"),
              "SELECT LITE_SEQ('APP', 'S', 'NEXTVAL') AS \"NEXTVAL\", LITE_SEQ('HR', 'S', "
              "'CURRVAL') AS \"CURRVAL\" FROM \"DUAL\"");
}

TEST(LiteTranslator, SpecialForms) {
    EXPECT_EQ(sqlite_of("select extract(year from d) y from t"),
              "SELECT LITE_EXTRACT('YEAR', \"D\") AS \"Y\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select trim(leading '0' from a) x, trim(b) y from t"),
              "SELECT LITE_TRIM('LEADING', \"A\", '0') AS \"X\", LITE_TRIM('BOTH', \"B\") AS \"Y\" "
              "FROM \"T\"");
    EXPECT_EQ(sqlite_of("select cast(a as number(5,2)) x from t"),
              "SELECT round(TO_NUMBER(\"A\"), 2) AS \"X\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select case when a > 1 then 'x' else 'y' end z from t"),
              "SELECT CASE WHEN (\"A\" > 1) THEN 'x' ELSE 'y' END AS \"Z\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select dbms_lob.getlength(c) n, utl_raw.cast_to_raw('a') r from t"),
              "SELECT DBMS_LOB_GETLENGTH(\"C\") AS \"N\", UTL_RAW_CAST_TO_RAW('a') AS \"R\" FROM "
              "\"T\"");
    EXPECT_EQ(sqlite_of("select 1 from t where j is json and k is not json"),
              "SELECT 1 AS \"1\" FROM \"T\" WHERE (CASE WHEN \"J\" IS NULL THEN NULL ELSE "
              "json_valid(\"J\") END) AND (CASE WHEN \"K\" IS NULL THEN NULL ELSE NOT "
              "json_valid(\"K\") END)");
    EXPECT_EQ(sqlite_of("select 1 from t where (a, b) in ((1, 2), (3, 4))"),
              "SELECT 1 AS \"1\" FROM \"T\" WHERE ((\"A\", \"B\") IN (VALUES (1, 2), (3, 4)))");
    EXPECT_EQ(sqlite_of("select 1 from t where a like 'x%' escape '\\' and b not between 1 and 2"),
              "SELECT 1 AS \"1\" FROM \"T\" WHERE (\"A\" LIKE 'x%' ESCAPE '\\') AND (\"B\" NOT "
              "BETWEEN 1 AND 2)");
}

TEST(LiteTranslator, AnalyticAndAggregates) {
    EXPECT_EQ(sqlite_of("select name || ' #' || rank() over (partition by d order by s desc) "
                        "r from t"),
              "SELECT LITE_CAT(\"NAME\", ' #', rank() OVER (PARTITION BY \"D\" ORDER BY \"S\" DESC "
              "NULLS FIRST)) AS \"R\" FROM \"T\"");
    EXPECT_EQ(
        sqlite_of("select sum(s) over (order by d rows between unbounded preceding and "
                  "current row) x from t"),
        "SELECT LITE_SUM(\"S\") OVER (ORDER BY \"D\" NULLS LAST ROWS BETWEEN UNBOUNDED PRECEDING "
        "AND CURRENT ROW) AS \"X\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select listagg(n, ', ') within group (order by n desc) l from t"),
              "SELECT LITE_LISTAGG(\"N\", ', ', 0, '...', \"N\", 1) AS \"L\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select listagg(distinct n, ',' on overflow truncate '~' without count) "
                        "within group (order by n) l from t"),
              "SELECT LITE_LISTAGG(\"N\", ',', 6, '~', \"N\", 0) AS \"L\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select count(distinct a) c from t"),
              "SELECT count(DISTINCT \"A\") AS \"C\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("select ratio_to_report(s) over () r from t"),
              "SELECT LITE_DIV(\"S\", sum(\"S\") OVER ()) AS \"R\" FROM \"T\"");
}

TEST(LiteTranslator, GroupingSetsBecomeAUnionOfGroupings) {
    EXPECT_EQ(
        sqlite_of("select d, count(*) c, grouping(d) g from t group by rollup(d) order by d"),
        "SELECT * FROM (SELECT \"D\" AS \"D\", count(*) AS \"C\", 0 AS \"G\" FROM \"T\" GROUP "
        "BY \"D\" UNION ALL SELECT NULL AS \"D\", count(*) AS \"C\", 1 AS \"G\" FROM \"T\") "
        "ORDER BY \"D\" NULLS LAST");
    EXPECT_EQ(
        sqlite_of("select a, b, grouping_id(a, b) g from t group by grouping sets ((a, b), "
                  "a, ())"),
        "SELECT * FROM (SELECT \"A\" AS \"A\", \"B\" AS \"B\", 0 AS \"G\" FROM \"T\" GROUP BY "
        "\"A\", \"B\" UNION ALL SELECT \"A\" AS \"A\", NULL AS \"B\", 1 AS \"G\" FROM \"T\" "
        "GROUP BY \"A\" UNION ALL SELECT NULL AS \"A\", NULL AS \"B\", 3 AS \"G\" FROM \"T\")");
    EXPECT_EQ(
        sqlite_of("select a, sum(a) s from t group by cube(a)"),
        "SELECT * FROM (SELECT \"A\" AS \"A\", LITE_SUM(\"A\") AS \"S\" FROM \"T\" GROUP BY \"A\" "
        "UNION ALL SELECT NULL AS \"A\", LITE_SUM(\"A\") AS \"S\" FROM \"T\")");
}

TEST(LiteTranslator, RowLimits) {
    EXPECT_EQ(sqlite_of("select a from t where rownum <= 5 and b = 1"),
              "SELECT \"A\" AS \"A\" FROM \"T\" WHERE (\"B\" = 1) LIMIT 5");
    EXPECT_EQ(sqlite_of("select a from t where rownum < 3 order by a"),
              "SELECT * FROM (SELECT \"A\" AS \"A\" FROM \"T\" LIMIT 2) ORDER BY \"A\" NULLS LAST");
    EXPECT_EQ(sqlite_of("select a from t order by a desc fetch first 3 rows only"),
              "SELECT \"A\" AS \"A\" FROM \"T\" ORDER BY \"A\" DESC NULLS FIRST LIMIT 3");
    EXPECT_EQ(sqlite_of("select a from t offset 2 rows fetch next 1 row only"),
              "SELECT \"A\" AS \"A\" FROM \"T\" LIMIT 1 OFFSET 2");
}

TEST(LiteTranslator, SetOperationsAndSubqueries) {
    EXPECT_EQ(sqlite_of("select a from t minus select a from u order by 1"),
              "SELECT \"A\" AS \"A\" FROM \"T\" EXCEPT SELECT \"A\" AS \"A\" FROM \"U\" ORDER BY 1 "
              "NULLS LAST");
    EXPECT_EQ(
        sqlite_of("select (select max(b) from u where u.a = t.a) m from t"),
        "SELECT (SELECT max(\"B\") AS \"MAX(B)\" FROM \"U\" WHERE (\"U\".\"A\" = \"T\".\"A\")) "
        "AS \"M\" FROM \"T\"");
    EXPECT_EQ(sqlite_of("with q as (select a from t) select a from q"),
              "WITH \"Q\" AS (SELECT \"A\" AS \"A\" FROM \"T\") SELECT \"A\" AS \"A\" FROM \"Q\"");
    EXPECT_EQ(sqlite_of("select a from t where a > all (select b from u)"),
              "SELECT \"A\" AS \"A\" FROM \"T\" WHERE (NOT EXISTS (SELECT 1 FROM (SELECT "
              "\"LITE$Q\".\"B\" AS \"LITE$V\" FROM (SELECT \"B\" AS \"B\" FROM \"U\") AS "
              "\"LITE$Q\") AS \"LITE$R\" WHERE NOT (\"A\" > \"LITE$R\".\"LITE$V\")))");
}

TEST(LiteTranslator, OldOuterJoinsBecomeLeftJoins) {
    EXPECT_EQ(sqlite_of("select e.a, d.b from emp e, dept d where e.d = d.d(+) and e.x = 1"),
              "SELECT \"E\".\"A\" AS \"A\", \"D\".\"B\" AS \"B\" FROM \"EMP\" AS \"E\" LEFT JOIN "
              "\"DEPT\" AS \"D\" ON (\"E\".\"D\" = \"D\".\"D\") WHERE (\"E\".\"X\" = 1)");
    EXPECT_EQ(fails_with("select 1 from emp e, dept d where e.d = d.d(+) or e.x = 1"), 1719);
}

TEST(LiteTranslator, ForUpdateLocksTheFirstTableAndReadsItsRowid) {
    fixed_schema schema;
    lite_translation tr = lite_translate(
        "select (select count(*) from emp) n, body from docs d where id = :1 for "
        "update",
        "APP", &schema);
    EXPECT_EQ(tr.update_owner, "APP");
    EXPECT_EQ(tr.update_table, "DOCS");
    EXPECT_TRUE(tr.hidden_rowid);
    EXPECT_EQ(
        tr.sql,
        "SELECT (SELECT count(*) AS \"COUNT(*)\" FROM \"EMP\") AS \"N\", \"BODY\" AS \"BODY\", "
        "\"D\".rowid AS \"LITE$ROWID\" FROM \"DOCS\" AS \"D\" WHERE (\"ID\" = :1)");
}

TEST(LiteTranslator, DmlConvertsValuesForTheirColumns) {
    EXPECT_EQ(sqlite_of("insert into docs values (1, 'CAFE', systimestamp, 'x')"),
              "INSERT INTO \"DOCS\" (\"ID\", \"BODY\", \"STAMP\", \"NOTE\") VALUES (1, "
              "LITE_TO_RAW('CAFE'), LITE_TS(SYSTIMESTAMP(), 3, 0), 'x')");
    EXPECT_EQ(sqlite_of("update docs d set body = :b, note = note || '!' where d.id = 1"),
              "UPDATE \"DOCS\" AS \"D\" SET \"BODY\" = LITE_TO_RAW(:B), \"NOTE\" = "
              "LITE_CAT(\"NOTE\", '!') WHERE (\"D\".\"ID\" = 1)");
    lite_translation tr =
        lite_translate("delete from emp where id = 2 returning rowid into :r", "APP");
    EXPECT_EQ(tr.sql, "DELETE FROM \"EMP\" WHERE (\"ID\" = 2) RETURNING rowid");
    EXPECT_EQ(tr.returning_bind, "R");
    EXPECT_EQ(sqlite_of("insert into emp (id) select id from docs"),
              "INSERT INTO \"EMP\" (\"ID\") WITH \"LITE$ROWS\"(\"C1\") AS (SELECT \"ID\" AS "
              "\"ID\" FROM \"DOCS\") SELECT LITE_FIT_NUMBER(\"LITE$ROWS\".\"C1\", NULL, NULL, "
              "'\"APP\".\"EMP\".\"ID\"') FROM \"LITE$ROWS\"");
}

TEST(LiteTranslator, ConditionsAndViews) {
    EXPECT_EQ(lite_translate_condition("sal between 0 and 10 and name <> 'x'", "APP"),
              "((\"SAL\" BETWEEN 0 AND 10) AND (\"NAME\" <> 'x'))");
    EXPECT_EQ(lite_translate_query("select a from t order by a", "APP"),
              "SELECT \"A\" AS \"A\" FROM \"T\" ORDER BY \"A\" NULLS LAST");
}

TEST(LiteTranslator, KindsAndVerbs) {
    EXPECT_EQ(lite_translate("select 1 from dual", "APP").kind, lite_statement::kind::query);
    EXPECT_EQ(lite_translate("(select 1 from dual)", "APP").kind, lite_statement::kind::query);
    EXPECT_EQ(lite_translate("update t set a = 1", "APP").kind, lite_statement::kind::dml);
    EXPECT_EQ(lite_translate("create table t (a number)", "APP").kind, lite_statement::kind::ddl);
    EXPECT_EQ(lite_translate("commit", "APP").kind, lite_statement::kind::other);
    EXPECT_EQ(lite_statement_verb(" -- a comment\n/* and another */ (select 1 from dual)"),
              "SELECT");
    EXPECT_EQ(lite_statement_verb("begin null; end;"), "BEGIN");
}

TEST(LiteTranslator, ErrorsComeAsOracleNumbers) {
    EXPECT_EQ(fails_with("frobnicate"), 900);
    EXPECT_EQ(fails_with("select from t"), 936);
    EXPECT_EQ(fails_with("select a b c from t"), 923);
    EXPECT_EQ(fails_with("select a from t t2 t3"), 933);
    EXPECT_EQ(fails_with("select (a from t"), 907);
    EXPECT_EQ(fails_with("select 'a from t"), 1756);
    EXPECT_EQ(fails_with("select nosuch(1) from t"), 904);
    EXPECT_EQ(fails_with("select nvl(1) from t"), 909);
    EXPECT_EQ(fails_with("select decode(1) from t"), 938);
    EXPECT_EQ(fails_with("select row_number() from t"), 30484);
    EXPECT_EQ(fails_with("select a from t; select b from t"), 911);
    EXPECT_EQ(fails_with("merge into t using u on (1 = 1) when matched then update set a = 1"),
              3001);
    EXPECT_EQ(fails_with("insert into emp values (1)"), 947);
    EXPECT_EQ(fails_with("insert into emp (id) values (1, 2)"), 913);
    EXPECT_EQ(fails_with("select a from t connect by prior a = b"), 3001);
}

}  // namespace
