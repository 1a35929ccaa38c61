// The data dictionary views against the answers Oracle's reference gives for the same objects.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"
#include "script/lite_script.h"

namespace {

using rows = std::vector<std::vector<std::string>>;

class LiteDictionary : public ::testing::Test {
protected:
    void SetUp() override { s_ = inst_.logon(); }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteDictionary, ViewColumnsAreListedLikeTableColumns) {
    s_->execute("CREATE TABLE d (n NUMBER(7,3) NOT NULL, v VARCHAR2(9 CHAR), dt DATE)");
    s_->execute("CREATE VIEW dv AS SELECT n, v, dt, n * 2 AS dbl FROM d");
    const std::string cols =
        "select column_name, data_type, data_length, data_precision, data_scale, nullable, "
        "column_id, char_length, char_used, data_default from user_tab_columns where table_name "
        "= 'DV' order by column_id";
    EXPECT_EQ(
        lite_rows(*s_, cols),
        (rows{{"N", "NUMBER", "22", "7", "3", "N", "1", "0", "<null>", "<null>"},
              {"V", "VARCHAR2", "36", "<null>", "<null>", "Y", "2", "9", "C", "<null>"},
              {"DT", "DATE", "7", "<null>", "<null>", "Y", "3", "0", "<null>", "<null>"},
              {"DBL", "NUMBER", "22", "<null>", "<null>", "Y", "4", "0", "<null>", "<null>"}}));
    EXPECT_EQ(lite_cell(*s_,
                        "select count(*) from all_tab_columns where owner = 'APP' and "
                        "table_name = 'DV'"),
              "4");
    EXPECT_EQ(lite_cell(*inst_.logon_system(),
                        "select count(*) from dba_tab_columns where owner = 'APP'"),
              "7");
    // Every column of a view has its row among the comments, commented or not.
    s_->execute("COMMENT ON COLUMN dv.v IS 'the text'");
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, comments from user_col_comments where "
                        "table_name = 'DV'"),
              (rows{{"N", "<null>"}, {"V", "the text"}, {"DT", "<null>"}, {"DBL", "<null>"}}));
    // A replaced view lists its new columns; a dropped one none.
    s_->execute("CREATE OR REPLACE VIEW dv (a) AS SELECT v FROM d");
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, data_type from user_tab_columns where "
                        "table_name = 'DV'"),
              (rows{{"A", "VARCHAR2"}}));
    s_->execute("DROP VIEW dv");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tab_columns where table_name = 'DV'"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_col_comments where table_name = 'DV'"),
              "0");
    // A view that does not compile lists no columns.
    s_->execute("CREATE FORCE VIEW broken AS SELECT x FROM nowhere");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tab_columns where table_name = 'BROKEN'"),
              "0");
}

TEST_F(LiteDictionary, DbaViewsListEveryOwnerAndConstraintsTheirState) {
    s_->execute("CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY, n NUMBER)");
    s_->execute(
        "CREATE TABLE c (pid NUMBER, CONSTRAINT c_fk FOREIGN KEY (pid) REFERENCES p (id) "
        "DISABLE)");
    s_->execute("CREATE VIEW pv AS SELECT id FROM p");
    s_->execute("COMMENT ON COLUMN p.n IS 'a number'");
    std::unique_ptr<lite_session> dba = inst_.logon_system();
    EXPECT_EQ(lite_rows(*dba, "select owner, table_name from dba_tables order by table_name"),
              (rows{{"APP", "C"}, {"APP", "P"}}));
    EXPECT_EQ(lite_cell(*dba, "select count(*) from dba_tab_columns where owner = 'APP'"), "4");
    EXPECT_EQ(lite_cell(*dba, "select comments from dba_col_comments where column_name = 'N'"),
              "a number");
    EXPECT_EQ(lite_cell(*dba, "select count(*) from dba_indexes where table_name = 'P'"), "1");
    EXPECT_EQ(lite_cell(*dba, "select count(*) from dba_ind_columns where table_name = 'P'"), "1");
    EXPECT_EQ(lite_cell(*dba, "select count(*) from dba_cons_columns where owner = 'APP'"), "2");
    EXPECT_EQ(lite_cell(*dba, "select view_name from dba_views"), "PV");
    EXPECT_EQ(lite_cell(*dba, "select count(*) from dba_objects where owner = 'APP'"), "4");
    EXPECT_EQ(lite_rows(*s_,
                        "select constraint_name, status, deferrable, deferred, validated "
                        "from user_constraints order by constraint_name"),
              (rows{{"C_FK", "DISABLED", "NOT DEFERRABLE", "IMMEDIATE", "NOT VALIDATED"},
                    {"P_PK", "ENABLED", "NOT DEFERRABLE", "IMMEDIATE", "VALIDATED"}}));
    EXPECT_EQ(lite_cell(*dba,
                        "select validated from dba_constraints where constraint_name = "
                        "'C_FK'"),
              "NOT VALIDATED");
    s_->execute("ALTER TABLE c MODIFY CONSTRAINT c_fk ENABLE");
    EXPECT_EQ(lite_cell(*s_,
                        "select validated from all_constraints where constraint_name = "
                        "'C_FK'"),
              "VALIDATED");
}

TEST_F(LiteDictionary, ObjectTypesAreRefusedAndTheScriptGoesOn) {
    std::vector<std::pair<int, int>> failed;  // line, ORA number
    lite_script_runner r(
        *s_, [](const std::string&) {},
        [&](const lite_script_error& e) { failed.emplace_back(e.line(), e.code()); });
    r.run(
        "CREATE TYPE phone_t AS OBJECT (num VARCHAR2(20));\n"
        "/\n"
        "CREATE OR REPLACE TYPE phones_t AS TABLE OF VARCHAR2(20);\n"
        "/\n"
        "CREATE TABLE people (id NUMBER, phones phones_t) NESTED TABLE phones STORE AS ph_tab;\n"
        "CREATE TABLE people_o OF phone_t;\n"
        "CREATE TABLE docs OF XMLTYPE;\n"
        "CREATE TABLE plain (id NUMBER);\n",
        "objects.sql");
    EXPECT_EQ(failed,
              (std::vector<std::pair<int, int>>{{1, 439}, {3, 439}, {5, 902}, {6, 902}, {7, 902}}));
    EXPECT_EQ(lite_cell(*s_, "select table_name from user_tables"), "PLAIN");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_objects where object_type = 'TYPE'"), "0");
}

}  // namespace
