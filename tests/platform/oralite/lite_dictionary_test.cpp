// The data dictionary views against the answers Oracle's reference gives for the same objects.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

using rows = std::vector<std::vector<std::string>>;

class LiteDictionary : public ::testing::Test {
protected:
    void SetUp() override { s_ = inst_.logon(); }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteDictionary, DbaViewsListEveryOwnerAndConstraintsTheirState) {
    s_->execute("CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY, n NUMBER)");
    s_->execute(
        "CREATE TABLE c (pid NUMBER, CONSTRAINT c_fk FOREIGN KEY (pid) REFERENCES p (id) "
        "DISABLE)");
    s_->execute("CREATE VIEW pv AS SELECT id FROM p");
    s_->execute("COMMENT ON COLUMN p.n IS 'a number'");
    EXPECT_EQ(lite_rows(*s_, "select owner, table_name from dba_tables order by table_name"),
              (rows{{"APP", "C"}, {"APP", "P"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dba_tab_columns where owner = 'APP'"), "3");
    EXPECT_EQ(lite_cell(*s_, "select comments from dba_col_comments where column_name = 'N'"),
              "a number");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dba_indexes where table_name = 'P'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dba_ind_columns where table_name = 'P'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dba_cons_columns where owner = 'APP'"), "2");
    EXPECT_EQ(lite_cell(*s_, "select view_name from dba_views"), "PV");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from dba_objects where owner = 'APP'"), "4");
    EXPECT_EQ(lite_rows(*s_,
                        "select constraint_name, status, deferrable, deferred, validated "
                        "from user_constraints order by constraint_name"),
              (rows{{"C_FK", "DISABLED", "NOT DEFERRABLE", "IMMEDIATE", "NOT VALIDATED"},
                    {"P_PK", "ENABLED", "NOT DEFERRABLE", "IMMEDIATE", "VALIDATED"}}));
    EXPECT_EQ(lite_cell(*s_,
                        "select validated from dba_constraints where constraint_name = "
                        "'C_FK'"),
              "NOT VALIDATED");
    s_->execute("ALTER TABLE c MODIFY CONSTRAINT c_fk ENABLE");
    EXPECT_EQ(lite_cell(*s_,
                        "select validated from all_constraints where constraint_name = "
                        "'C_FK'"),
              "VALIDATED");
}

}  // namespace
