// SQL*Plus-style scripts: how they split into units and how the runner executes blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "lite_test_helpers.h"
#include "script/lite_script.h"

namespace {

namespace fs = std::filesystem;
using units = std::vector<lite_script_unit>;

TEST(LiteScriptSplit, TerminatorsClientCommandsAndLines) {
    units u = lite_split_script(
        "REM header\n"
        "SET ECHO OFF\n"
        "prompt Creating ...\n"
        "CREATE TABLE a (x NUMBER);\n"
        "\n"
        "INSERT INTO a VALUES (1); INSERT INTO a VALUES (2);\n"
        "SELECT ';' FROM dual -- a ; in a comment\n"
        "/\n"
        "select 1 /* ; */ from dual;\n");
    ASSERT_EQ(u.size(), 8u);
    EXPECT_EQ(u[0].kind, lite_script_unit::client);
    EXPECT_EQ(u[2].text, "prompt Creating ...");
    EXPECT_EQ(u[3].kind, lite_script_unit::sql);
    EXPECT_EQ(u[3].text, "CREATE TABLE a (x NUMBER)");
    EXPECT_EQ(u[3].line, 4);
    EXPECT_EQ(u[4].text, "INSERT INTO a VALUES (1)");
    EXPECT_EQ(u[5].text, "INSERT INTO a VALUES (2)");
    EXPECT_EQ(u[5].line, 6);
    EXPECT_EQ(u[6].text, "SELECT ';' FROM dual -- a ; in a comment");
    EXPECT_EQ(u[6].line, 7);
    EXPECT_EQ(u[7].text, "select 1 /* ; */ from dual");
}

TEST(LiteScriptSplit, MultiLineLiteralsAndPlsqlUnits) {
    units u = lite_split_script(
        "COMMENT ON TABLE t IS 'first line;\n"
        "second line';\n"
        "BEGIN\n"
        "  INSERT INTO t VALUES (1);\n"
        "  INSERT INTO t VALUES (2);\n"
        "END;\n"
        "/\n"
        "CREATE OR REPLACE\n"
        "PROCEDURE p IS\n"
        "BEGIN\n"
        "  NULL;\n"
        "END p;\n"
        "/\n"
        "DECLARE v NUMBER := 1; BEGIN NULL; END;");
    ASSERT_EQ(u.size(), 4u);
    EXPECT_EQ(u[0].text, "COMMENT ON TABLE t IS 'first line;\nsecond line'");
    EXPECT_EQ(u[1].kind, lite_script_unit::plsql);
    EXPECT_EQ(u[1].line, 3);
    EXPECT_NE(u[1].text.find("(2);\nEND;"), std::string::npos);
    EXPECT_EQ(u[2].kind, lite_script_unit::plsql);
    EXPECT_EQ(u[2].line, 8);
    EXPECT_EQ(u[3].kind, lite_script_unit::plsql);  // unterminated at the end, still returned
}

// A quote inside q'[...]' neither opens nor closes a literal.
TEST(LiteScriptSplit, QuotingMechanismLiterals) {
    units u = lite_split_script(
        "INSERT INTO t VALUES (q'[it's; here]', Nq'{x'}');\n"
        "INSERT INTO seq VALUES ('a');\n"
        "INSERT INTO t VALUES (Q'!two\nlines'!');\n"
        "SELECT 1 FROM dual;\n");
    ASSERT_EQ(u.size(), 4u);
    EXPECT_EQ(u[0].text, "INSERT INTO t VALUES (q'[it's; here]', Nq'{x'}')");
    EXPECT_EQ(u[1].text, "INSERT INTO seq VALUES ('a')");
    EXPECT_EQ(u[2].text, "INSERT INTO t VALUES (Q'!two\nlines'!')");
    EXPECT_EQ(u[3].line, 5);
}

// SQL*Plus continues a client command, and the first line of a statement, after a trailing '-';
// later lines of a statement keep theirs as the minus it is.
TEST(LiteScriptSplit, TrailingHyphenContinuesTheLineThatOpensAUnit) {
    units u = lite_split_script(
        "REM ------\n"
        "PROMPT loading -\n"
        "rows\n"
        "INSERT INTO t (id, name) VALUES (1, -\n"
        "'one');\n"
        "SELECT 10\n"
        " - 4 -\n"
        " 1 FROM dual;\n"
        "-- a comment -\n"
        "SELECT 2 FROM dual;\n");
    ASSERT_EQ(u.size(), 5u);
    EXPECT_EQ(u[1].kind, lite_script_unit::client);
    EXPECT_EQ(u[1].text, "PROMPT loading  rows");
    EXPECT_EQ(u[2].text, "INSERT INTO t (id, name) VALUES (1,  'one')");
    EXPECT_EQ(u[2].line, 4);
    EXPECT_EQ(u[3].text, "SELECT 10\n - 4 -\n 1 FROM dual");
    EXPECT_EQ(u[4].line, 10);
}

// A '.' line ends a unit without running it; an unknown line stands alone as one unit.
TEST(LiteScriptSplit, PeriodLinesHoldAndUnknownLinesStandAlone) {
    units u = lite_split_script(
        "BEGIN\n  NULL;\nEND;\n.\n/\n"
        "INSERT INTO t VALUES (1)\n.\n"
        "ssn INTEGER);\n"
        "SELECT 1 FROM dual;\n"
        "SET TRANSACTION READ ONLY;\n");
    ASSERT_EQ(u.size(), 6u);
    EXPECT_EQ(u[0].kind, lite_script_unit::plsql);
    EXPECT_TRUE(u[0].held);
    EXPECT_EQ(u[1].kind, lite_script_unit::client);
    EXPECT_EQ(u[1].text, "/");
    EXPECT_TRUE(u[2].held);
    EXPECT_EQ(u[2].text, "INSERT INTO t VALUES (1)");
    EXPECT_EQ(u[3].kind, lite_script_unit::unknown);
    EXPECT_EQ(u[3].line, 8);
    EXPECT_EQ(u[4].text, "SELECT 1 FROM dual");
    EXPECT_EQ(u[5].kind, lite_script_unit::sql);
}

TEST(LiteScriptSplit, NeverFailsOnBrokenText) {
    for (const char* s :
         {"", "'", "/*", "BEGIN", "--", "\"", ";;;", "/\n/\n", "a'\n;\n'", "CREATE OR REPLACE",
          "\r\n;\r\n", "q'[x;]'", "@", "\xff\xfe;", "-", "x -", ".", "BEGIN\n.", "PROMPT -\n-\n"}) {
        units u = lite_split_script(s);
        for (auto& x : u) EXPECT_FALSE(x.text.empty());
    }
}

class LiteScriptRun : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute("CREATE TABLE t (id NUMBER, name VARCHAR2(20), d DATE)");
    }
    void run(const std::string& text) {
        lite_script_runner r(*s_, [this](const std::string& w) { warnings_.push_back(w); });
        r.run(text, "x.sql");
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
    std::vector<std::string> warnings_;
};

TEST_F(LiteScriptRun, BlocksWithVariablesRunStatementByStatement) {
    run("DECLARE\n"
        "  v_id   NUMBER := 10;\n"
        "  v_name VARCHAR2(20) DEFAULT 'ten';\n"
        "  v_cnt  NUMBER;\n"
        "BEGIN\n"
        "  INSERT INTO t (id, name) VALUES (v_id, v_name);\n"
        "  v_id := v_id + 1;\n"
        "  INSERT INTO t (id, name, d) VALUES (v_id, UPPER(v_name), TO_DATE('01-02-2003', "
        "'dd-MM-yyyy'));\n"
        "  SELECT COUNT(*) INTO v_cnt FROM t;\n"
        "  INSERT INTO t (id) VALUES (v_cnt * 100);\n"
        "  EXECUTE IMMEDIATE 'INSERT INTO t (id) VALUES (7)';\n"
        "  COMMIT;\n"
        "END;\n"
        "/\n");
    auto rows = lite_rows(*s_, "select id, name, d from t order by id");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"7", "<null>", "<null>"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"10", "ten", "<null>"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"11", "TEN", "2003-02-01 00:00:00"}));
    EXPECT_EQ(rows[3][0], "200");
    EXPECT_TRUE(warnings_.empty());
}

TEST_F(LiteScriptRun, UnsupportedPlsqlStopsWithItsLine) {
    try {
        run("INSERT INTO t (id) VALUES (1);\n\nBEGIN\n  IF 1 = 1 THEN NULL; END IF;\nEND;\n/\n");
        FAIL();
    } catch (const lite_script_error& e) {
        EXPECT_EQ(e.code(), 6550);
        EXPECT_EQ(e.file(), "x.sql");
        EXPECT_EQ(e.line(), 3);
    }
}

TEST_F(LiteScriptRun, ClientCommandsAndStoredCodeOnlyWarn) {
    run("CONNECT hr/hr\n"
        "HOST ls\n"
        "CREATE OR REPLACE TRIGGER trg BEFORE INSERT ON t BEGIN NULL; END;\n"
        "/\n"
        "GRANT SELECT ON t TO public;\n"
        "ALTER SESSION SET NLS_LANGUAGE=American;\n"
        "INSERT INTO t (id, name) VALUES (1, 'multi\n"
        "line');\n");
    ASSERT_EQ(warnings_.size(), 3u);
    EXPECT_EQ(warnings_[0].rfind("x.sql:1: ", 0), 0u);
    EXPECT_EQ(warnings_[2].rfind("x.sql:3: TRIGGER TRG stored", 0), 0u);
    // A grant is no client command: it is kept.
    EXPECT_EQ(lite_cell(*s_, "select grantee || ' ' || privilege from user_tab_privs"),
              "PUBLIC SELECT");
    EXPECT_EQ(lite_cell(*s_, "select name from t"), "multi\nline");
    EXPECT_EQ(lite_cell(*s_, "select object_type from user_objects where object_name = 'TRG'"),
              "TRIGGER");
}

TEST_F(LiteScriptRun, TruncatedBlocksFailCleanly) {
    for (const char* text : {"BEGIN", "BEGIN\n/\n", "DECLARE v NUMBER", "DECLARE v NUMBER :=",
                             "BEGIN INSERT INTO t (id) VALUES (1)", "BEGIN v := 1; END;\n/\n",
                             "DECLARE v NUMBER; BEGIN SELECT 1 INTO v FROM t", "BEGIN EXECUTE"}) {
        EXPECT_THROW(run(text), lite_script_error) << text;
    }
}

TEST_F(LiteScriptRun, ExitStopsTheScript) {
    lite_script_runner r(*s_, nullptr);
    EXPECT_FALSE(
        r.run("INSERT INTO t (id) VALUES (1);\nEXIT\nINSERT INTO t (id) VALUES (2);\n", "x.sql"));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "1");
}

TEST_F(LiteScriptRun, FailuresAreReportedAndTheScriptGoesOn) {
    std::vector<std::string> errors;
    lite_script_runner r(*s_, nullptr, [&](const lite_script_error& e) {
        errors.push_back(e.file() + ":" + std::to_string(e.line()) + ": " + e.what());
    });
    EXPECT_TRUE(
        r.run("INSERT INTO t (id) VALUES (1);\nINSERT INTO nosuch VALUES (1);\n"
              "INSERT INTO t (id) VALUES (:x);\nINSERT INTO t (id) VALUES (2);\n",
              "x.sql"));
    EXPECT_EQ(errors, (std::vector<std::string>{"x.sql:2: ORA-00942: table or view does not exist",
                                                "x.sql:3: ORA-01008: not all variables bound"}));
    EXPECT_EQ(r.failures(), 2);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "2");
}

TEST_F(LiteScriptRun, XmltypeColumnsLoadAndXmlDbStatementsFailAsWithoutXmlDb) {
    std::vector<std::string> errors;
    lite_script_runner r(*s_, nullptr, [&](const lite_script_error& e) {
        errors.push_back(std::to_string(e.line()) + ": " + e.what());
    });
    EXPECT_TRUE(
        r.run("CREATE TABLE xt (id NUMBER, doc XMLTYPE);\n"
              "INSERT INTO xt VALUES (1, '<a>1</a>');\n"
              "CREATE TABLE xc (id NUMBER, doc XMLTYPE) XMLTYPE COLUMN doc STORE AS CLOB;\n"
              "CREATE TABLE xb (id NUMBER, doc SYS.XMLTYPE) XMLTYPE doc STORE AS SECUREFILE BINARY "
              "XML;\n"
              "CREATE TABLE xl (id NUMBER, c CLOB) LOB (c) STORE AS (ENABLE STORAGE IN ROW);\n"
              "CREATE TABLE xo OF XMLTYPE;\n"
              "CREATE TABLE xs (id NUMBER, doc XMLTYPE) XMLTYPE COLUMN doc STORE AS OBJECT "
              "RELATIONAL XMLSCHEMA \"http://x/a.xsd\" ELEMENT \"a\";\n"
              "BEGIN\n"
              "  DBMS_XMLSCHEMA.registerSchema('http://x/a.xsd', '<schema/>');\n"
              "END;\n"
              "/\n"
              "INSERT INTO xc VALUES (2, '<b/>');\n",
              "x.sql"));
    EXPECT_EQ(errors,
              (std::vector<std::string>{
                  "6: ORA-00902: invalid datatype",
                  "7: ORA-31000: Resource 'http://x/a.xsd' is not an XDB schema document",
                  "8: ORA-06550: line 2: PLS-00201: identifier 'DBMS_XMLSCHEMA.REGISTERSCHEMA' "
                  "must be declared"}));
    EXPECT_EQ(lite_rows(*s_,
                        "select table_name from user_tables where table_name like 'X%' "
                        "order by 1"),
              (std::vector<std::vector<std::string>>{{"XB"}, {"XC"}, {"XL"}, {"XT"}}));
    EXPECT_EQ(lite_cell(*s_, "select doc from xc"), "<b/>");
}

TEST_F(LiteScriptRun, WheneverSqlerrorExitStopsWithItsStatus) {
    int reported = 0;
    lite_script_runner r(*s_, nullptr, [&](const lite_script_error&) { ++reported; });
    EXPECT_FALSE(
        r.run("INSERT INTO t (id) VALUES (1);\nWHENEVER SQLERROR EXIT 3\n"
              "INSERT INTO nosuch VALUES (1);\nINSERT INTO t (id) VALUES (2);\n",
              "x.sql"));
    EXPECT_EQ(reported, 1);
    EXPECT_EQ(r.exit_status(), 3);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "0") << "rolled back by default";

    lite_script_runner c(*s_, nullptr, [&](const lite_script_error&) { ++reported; });
    EXPECT_TRUE(
        c.run("WHENEVER SQLERROR EXIT FAILURE COMMIT\nWHENEVER SQLERROR CONTINUE\n"
              "INSERT INTO nosuch VALUES (1);\nINSERT INTO t (id) VALUES (2);\n",
              "y.sql"));
    EXPECT_EQ(c.failures(), 1);

    lite_script_runner f(*s_, nullptr, [&](const lite_script_error&) {});
    EXPECT_FALSE(
        f.run("INSERT INTO t (id) VALUES (5);\nWHENEVER SQLERROR EXIT SQL.SQLCODE COMMIT\n"
              "SELECT nosuch FROM t;\n",
              "z.sql"));
    EXPECT_EQ(f.exit_status(), 904 & 0xff);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t where id = 5"), "1") << "committed";
}

class LiteScriptClient : public LiteScriptRun {
protected:
    // Runs with an error handler, as oralite run does; returns whether the script went on.
    bool run_reporting(const std::string& text, const std::string& file = "x.sql") {
        lite_script_runner r(
            *s_, [this](const std::string& w) { warnings_.push_back(w); },
            [this](const lite_script_error& e) {
                errors_.push_back(e.file() + ":" + std::to_string(e.line()) + ": " + e.what());
            });
        bool went_on = r.run(text, file);
        failures_ = r.failures();
        return went_on;
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = inst_.dir() + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
    std::string ids() {
        std::string out;
        for (auto& r : lite_rows(*s_, "select id from t order by id")) out += r[0] + " ";
        return out;
    }
    std::vector<std::string> errors_;
    int failures_ = 0;
};

TEST_F(LiteScriptClient, ContinuedInsertsLoad) {
    EXPECT_TRUE(
        run_reporting("INSERT INTO t (id, name) VALUES (1, -\n'one');\n"
                      "INSERT INTO t (id, name) -\n VALUES (2, 'two');\n"
                      "INSERT INTO t (id) VALUES (10\n - 4 -\n 1);\n"));
    EXPECT_TRUE(errors_.empty()) << errors_[0];
    EXPECT_EQ(ids(), "1 2 5 ");
    EXPECT_EQ(lite_cell(*s_, "select name from t where id = 1"), "one");
}

TEST_F(LiteScriptClient, APeriodLineHoldsAUnitUntilSlashOrRun) {
    EXPECT_TRUE(
        run_reporting("BEGIN\n  INSERT INTO t (id) VALUES (1);\nEND;\n.\n/\n"
                      "INSERT INTO t (id) VALUES (2)\n.\n"
                      "INSERT INTO t (id) VALUES (3);\n"
                      "/\n"
                      "INSERT INTO t (id) VALUES (4)\n.\nRUN\n/\n"));
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(ids(), "1 3 4 ") << "2 was held and replaced, 4 ran once";
}

TEST_F(LiteScriptClient, AnUnknownCommandIsReportedAloneAndTheNextStatementRuns) {
    EXPECT_TRUE(
        run_reporting("WHENEVER SQLERROR EXIT FAILURE\n"
                      "ssn INTEGER);\n"
                      "INSERT INTO t (id) VALUES (1);\n"
                      "xy\n"
                      "INSERT INTO t (id) VALUES (2);\n"));
    EXPECT_EQ(errors_,
              (std::vector<std::string>{
                  "x.sql:2: SP2-0734: unknown command beginning \"ssn INTEGE...\" - rest of "
                  "line ignored.",
                  "x.sql:4: SP2-0734: unknown command beginning \"xy...\" - rest of line "
                  "ignored."}));
    EXPECT_EQ(failures_, 2) << "counted, so the run's status tells";
    EXPECT_EQ(ids(), "1 2 ") << "a client error does not stop the script";
}

TEST_F(LiteScriptClient, AtRunsScriptsAndDoubleAtLooksBesideTheCaller) {
    fs::create_directories(inst_.dir() + "/sub");
    write("sub/part.sql", "INSERT INTO t (id) VALUES (2);\n@@deeper\n");
    write("sub/deeper.sql", "INSERT INTO t (id) VALUES (3);\n");
    write("top.sql", "INSERT INTO t (id) VALUES (4);\n");
    std::string main = write("sub/main.sql",
                             "INSERT INTO t (id) VALUES (1);\n"
                             "@@part.sql\n"
                             "@" +
                                 inst_.dir() +
                                 "/top\n"
                                 "START " +
                                 inst_.dir() +
                                 "/top.sql\n"
                                 "@@missing\n"
                                 "@\n"
                                 "INSERT INTO t (id) VALUES (5);\n");
    std::ifstream in(main);
    lite_script_runner r(*s_, nullptr, [this](const lite_script_error& e) {
        errors_.push_back(e.file() + ":" + std::to_string(e.line()) + ": " + e.what());
    });
    EXPECT_TRUE(r.run(in, main));
    EXPECT_EQ(ids(), "1 2 3 4 4 5 ");
    EXPECT_EQ(errors_, (std::vector<std::string>{
                           main + ":5: SP2-0310: unable to open file \"" + inst_.dir() +
                               "/sub/missing.sql\"",
                           main + ":6: SP2-1506: START, @ or @@ command has no arguments"}));
}

TEST_F(LiteScriptClient, NestingStopsAtTwentyAndExitEndsEveryLevel) {
    std::string self = write("self.sql", "INSERT INTO t (id) VALUES (1);\n@@self\n");
    EXPECT_TRUE(run_reporting("@" + self + "\n"));
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_NE(errors_[0].find("SP2-0309: SQL*Plus command procedures may only be nested to a "
                              "depth of 20."),
              std::string::npos);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "20");
    s_->execute("DELETE FROM t");
    std::string leaves = write("leaves.sql", "INSERT INTO t (id) VALUES (1);\nEXIT\n");
    EXPECT_FALSE(run_reporting("@" + leaves + "\nINSERT INTO t (id) VALUES (2);\n"));
    EXPECT_EQ(ids(), "1 ");
}

}  // namespace
