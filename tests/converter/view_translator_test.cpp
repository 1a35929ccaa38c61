// An Oracle view's text in MySQL form: names as Oracle resolves them, turned into the names the
// run gave them; Oracle quoting and literals as MySQL reads them; Oracle forms with an exact
// MySQL equivalent rewritten, the others refused with their name.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "TK/tk_exception.h"
#include "converter/view_translator.h"

namespace {

class view_translator_test : public ::testing::Test {
protected:
    std::wstring translate(const std::wstring& text) {
        const view_translator translator(
            [this](const std::wstring& name) {
                auto found = tables.find(name);
                return found == tables.end() ? std::wstring() : found->second;
            },
            [this](const std::wstring& name) {
                auto found = columns.find(name);
                return found == columns.end() ? std::wstring() : found->second;
            },
            L"DEMO");
        return translator.translate(text);
    }
    // The reason a text is refused ("" when it is not).
    std::string refusal(const std::wstring& text) {
        try {
            translate(text);
        } catch (const tk_exception& e) {
            EXPECT_EQ(e.level(), 0);
            return e.message();
        }
        return {};
    }

    std::map<std::wstring, std::wstring> tables{
        {L"EMP", L"EMP"}, {L"DEPT", L"DIVISIONS"}, {L"Mixed", L"Mixed"}};
    std::map<std::wstring, std::wstring> columns{{L"SAL", L"SALARY"}};
};

TEST_F(view_translator_test, unquoted_names_fold_to_upper_case_and_follow_the_runs_names) {
    EXPECT_EQ(translate(L"\n  select ename, sal from emp e, dept where e.deptno = dept.deptno\n"),
              L"select ename, `SALARY` AS `SAL` from `EMP` e, `DIVISIONS` where e.deptno = "
              L"`DIVISIONS`.deptno");
    // The owner's prefix goes; a name after a point is a column, never a table.
    EXPECT_EQ(translate(L"SELECT x.emp FROM demo.emp x"), L"SELECT x.emp FROM `EMP` x");
    // An alias keeps its spelling even when a table has its name; a call is not a name.
    EXPECT_EQ(translate(L"SELECT count(*) AS emp, dept(1) FROM emp"),
              L"SELECT count(*) AS emp, dept(1) FROM `EMP`");
}

TEST_F(view_translator_test, names_where_a_table_stands_that_no_lookup_knows_are_listed) {
    std::vector<std::wstring> unknown;
    const view_translator translator(
        [](const std::wstring& name) { return name == L"EMP" ? name : std::wstring(); },
        [](const std::wstring&) { return std::wstring(); }, L"DEMO");
    translator.translate(
        L"SELECT a, (SELECT 1 FROM dual) FROM demo.emp e, nothere n JOIN other.t ON e.x = t.x "
        L"WHERE x IN (SELECT y FROM gone g, (SELECT 2 FROM emp) s) GROUP BY a",
        &unknown);
    EXPECT_EQ(unknown, (std::vector<std::wstring>{L"NOTHERE", L"T", L"GONE"}));
}

TEST_F(view_translator_test, quoted_names_are_exact_and_become_backticks) {
    EXPECT_EQ(translate(L"SELECT \"ENAME\", \"a\"\"b\" FROM \"Mixed\", \"EMP\""),
              L"SELECT `ENAME`, `a\"b` FROM `Mixed`, `EMP`");
    // Oracle folds MIXED, which is no table here; "Mixed" is.
    EXPECT_EQ(translate(L"SELECT 1 FROM mixed"), L"SELECT 1 FROM mixed");
    EXPECT_EQ(translate(L"SELECT time FROM emp"), L"SELECT `time` FROM `EMP`");
    EXPECT_EQ(translate(L"SELECT a AS \"Total `pay`\" FROM emp"),
              L"SELECT a AS `Total ``pay``` FROM `EMP`");
}

TEST_F(view_translator_test, literals_and_comments_keep_their_meaning) {
    EXPECT_EQ(translate(L"SELECT 'it''s emp', 'C:\\dir' FROM emp -- note\n WHERE 1 = 1 /* x */"),
              L"SELECT 'it''s emp', 'C:\\\\dir' FROM `EMP` WHERE 1 = 1");
    EXPECT_NE(refusal(L"SELECT q'[it's]' FROM emp").find("q'...'"), std::string::npos);
    // Oracle's closing restrictions: READ ONLY has no MySQL form, CHECK OPTION keeps its own.
    EXPECT_EQ(translate(L"SELECT a FROM emp With  Read\nOnly CONSTRAINT emp_ro"),
              L"SELECT a FROM `EMP`");
    EXPECT_EQ(translate(L"SELECT a FROM emp WHERE a > 0 with check option constraint c1"),
              L"SELECT a FROM `EMP` WHERE a > 0 with check option");
    EXPECT_NE(refusal(L"SELECT 'open FROM emp"), "");
}

TEST_F(view_translator_test, oracle_forms_with_a_mysql_equivalent_are_rewritten) {
    EXPECT_EQ(translate(L"SELECT NVL(comm, 0), length(ename), sysdate, systimestamp FROM emp"),
              L"SELECT IFNULL(comm, 0), CHAR_LENGTH(ename), SYSDATE(), CURRENT_TIMESTAMP(6) FROM "
              L"`EMP`");
    EXPECT_EQ(translate(L"SELECT a FROM emp MINUS SELECT a FROM dept"),
              L"SELECT a FROM `EMP` EXCEPT SELECT a FROM `DIVISIONS`");
    EXPECT_EQ(translate(L"SELECT ename || ' (' || e.job || ')' AS label FROM emp e"),
              L"SELECT NULLIF(CONCAT_WS('', ename, ' (', e.job, ')'), '') AS label FROM `EMP` e");
    EXPECT_EQ(translate(L"SELECT upper(a)||(b||c) x FROM emp"),
              L"SELECT NULLIF(CONCAT_WS('', upper(a), (NULLIF(CONCAT_WS('', b, c), ''))), '') x "
              L"FROM `EMP`");
}

TEST_F(view_translator_test, decode_becomes_a_case_that_finds_null_equal_to_null) {
    EXPECT_EQ(translate(L"SELECT decode(a, 1, 'one', NULL, 'none', 'many') FROM emp"),
              L"SELECT CASE WHEN (a) <=> (1) THEN 'one' WHEN (a) <=> (NULL) THEN 'none' ELSE "
              L"'many' END FROM `EMP`");
    // Nested either way with ||: each part is MySQL text before it becomes an argument.
    EXPECT_EQ(translate(L"SELECT decode(a || b, 'x', c) || 'y' FROM emp"),
              L"SELECT NULLIF(CONCAT_WS('', CASE WHEN (NULLIF(CONCAT_WS('', a, b), '')) <=> ('x') "
              L"THEN c END, 'y'), '') FROM `EMP`");
}

TEST_F(view_translator_test, a_renamed_column_keeps_the_views_column_name) {
    EXPECT_EQ(translate(L"SELECT sal, e.sal, sal + 1 AS raised, UNIQUE_ID FROM emp e"),
              L"SELECT `SALARY` AS `SAL`, e.`SALARY` AS `SAL`, `SALARY` + 1 AS raised, UNIQUE_ID "
              L"FROM `EMP` e");
    EXPECT_EQ(translate(L"SELECT UNIQUE sal FROM emp WHERE sal > (SELECT max(sal) FROM emp)"),
              L"SELECT DISTINCT `SALARY` AS `SAL` FROM `EMP` WHERE `SALARY` > (SELECT "
              L"max(`SALARY`) FROM `EMP`)");
}

TEST_F(view_translator_test, the_views_own_column_names_name_its_items) {
    const view_translator translator([](const std::wstring&) { return std::wstring(); },
                                     [](const std::wstring&) { return std::wstring(); }, L"");
    const std::vector<std::wstring> names = {L"A", L"Two words", L"C", L"D", L"E"};
    EXPECT_EQ(translator.translate(L"SELECT x, t.y z, count(*) AS n, CASE WHEN 1 = 1 THEN 2 END, "
                                   L"a || b FROM t UNION SELECT 1, 2, 3, 4, 5 FROM t",
                                   nullptr, names),
              L"SELECT x AS `A`, t.y `Two words`, count(*) AS `C`, CASE WHEN 1 = 1 THEN 2 END AS "
              L"`D`, NULLIF(CONCAT_WS('', a, b), '') AS `E` FROM t UNION SELECT 1, 2, 3, 4, 5 "
              L"FROM t");
    // After "*" the positions are no longer the view's.
    EXPECT_EQ(translator.translate(L"SELECT x, t.*, y FROM t", nullptr, names),
              L"SELECT x AS `A`, t.*, y FROM t");
}

TEST_F(view_translator_test, oracle_forms_without_an_equivalent_are_refused_by_name) {
    EXPECT_EQ(refusal(L"SELECT rownum AS n FROM emp"),
              "the view uses Oracle's ROWNUM, which MySQL lacks");
    EXPECT_NE(refusal(L"SELECT a FROM emp, dept WHERE emp.d = dept.d (+)").find("(+)"),
              std::string::npos);
    EXPECT_NE(refusal(L"SELECT to_char(a) FROM emp").find("TO_CHAR"), std::string::npos);
    EXPECT_NE(refusal(L"SELECT decode(a, 1) FROM emp").find("DECODE"), std::string::npos);
    EXPECT_NE(refusal(L"SELECT a FROM emp CONNECT BY a = b").find("CONNECT"), std::string::npos);
    // 'a' || 1 + 2 is ('a' || 1) + 2 in Oracle: not a plain concatenation.
    EXPECT_NE(refusal(L"SELECT 'a' || 1 + 2 FROM emp").find("||"), std::string::npos);
    EXPECT_NE(refusal(L"SELECT || a FROM emp").find("||"), std::string::npos);
}

}  // namespace
