// Quoted names keep their case and unquoted ones fold to upper case, as Oracle names objects:
// "emp" and EMP are two tables, "emp", "EMP" and EMP name no more than those two, and the
// dictionary views show each name as it was stored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lite_engine.h"
#include "lite_test_helpers.h"

namespace {

using rows = std::vector<std::vector<std::string>>;

class LiteQuotedNames : public ::testing::Test {
protected:
    void SetUp() override { s_ = inst_.logon(); }
    std::vector<std::string> column_names(const std::string& sql) {
        auto st = s_->prepare(sql);
        st->execute();
        std::vector<std::string> names;
        for (const lite_column& c : st->columns()) names.push_back(c.name);
        return names;
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteQuotedNames, TablesThatDifferOnlyInCaseAreTwo) {
    s_->execute("CREATE TABLE \"emp\" (n NUMBER)");
    s_->execute("CREATE TABLE EMP (n NUMBER)");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE \"EMP\" (n NUMBER)"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE emp (n NUMBER)"), 955);
    s_->execute("INSERT INTO \"emp\" VALUES (1)");
    s_->execute("INSERT INTO emp VALUES (2)");
    s_->execute("INSERT INTO Emp VALUES (3)");
    EXPECT_EQ(lite_rows(*s_, "select n from \"emp\""), (rows{{"1"}}));
    EXPECT_EQ(lite_rows(*s_, "select n from \"EMP\" order by n"), (rows{{"2"}, {"3"}}));
    EXPECT_EQ(lite_fails_with(*s_, "select n from \"Emp\""), 942);
    EXPECT_EQ(lite_rows(*s_, "select table_name from user_tables order by table_name"),
              (rows{{"EMP"}, {"emp"}}));
    s_->execute("DROP TABLE \"emp\"");
    EXPECT_EQ(lite_rows(*s_, "select table_name from user_tables"), (rows{{"EMP"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from emp"), "2");
}

TEST_F(LiteQuotedNames, ColumnsThatDifferOnlyInCaseAreTwo) {
    s_->execute("CREATE TABLE t (\"id\" NUMBER, ID NUMBER, \"Name\" VARCHAR2(10) NOT NULL)");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE u (\"id\" NUMBER, \"id\" NUMBER)"), 957);
    s_->execute("INSERT INTO t (\"id\", id, \"Name\") VALUES (1, 2, 'a')");
    EXPECT_EQ(lite_rows(*s_, "select \"id\", ID, \"Name\" from t"), (rows{{"1", "2", "a"}}));
    EXPECT_EQ(lite_rows(*s_, "select t.\"id\" from t where \"id\" < id"), (rows{{"1"}}));
    EXPECT_EQ(column_names("select * from t"), (std::vector<std::string>{"id", "ID", "Name"}));
    EXPECT_EQ(lite_fails_with(*s_, "select name from t"), 904);
    EXPECT_EQ(lite_fails_with(*s_, "select \"ID\", \"iD\" from t"), 904);
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, nullable from user_tab_columns where "
                        "table_name = 'T' order by column_id"),
              (rows{{"id", "Y"}, {"ID", "Y"}, {"Name", "N"}}));
    // The NOT NULL of a mixed-case column holds.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO t (\"id\") VALUES (3)"), 1400);
    s_->execute("ALTER TABLE t ADD (\"name\" VARCHAR2(5))");
    s_->execute("UPDATE t SET \"name\" = 'b'");
    EXPECT_EQ(lite_rows(*s_, "select \"Name\", \"name\" from t"), (rows{{"a", "b"}}));
    s_->execute("ALTER TABLE t DROP COLUMN \"id\"");
    EXPECT_EQ(column_names("select * from t"), (std::vector<std::string>{"ID", "Name", "name"}));
    EXPECT_EQ(lite_rows(*s_, "select ID from t"), (rows{{"2"}}));
}

TEST_F(LiteQuotedNames, ViewsSequencesIndexesAndConstraintsKeepTheirCase) {
    s_->execute(
        "CREATE TABLE \"Orders\" (\"id\" NUMBER CONSTRAINT \"pk\" PRIMARY KEY, "
        "QTY NUMBER CONSTRAINT \"qty_ck\" CHECK (QTY > 0))");
    s_->execute(
        "CREATE TABLE ORDERS (ID NUMBER CONSTRAINT PK PRIMARY KEY, "
        "\"id\" NUMBER CONSTRAINT \"fk\" REFERENCES \"Orders\" (\"id\"))");
    s_->execute("CREATE UNIQUE INDEX \"ix\" ON \"Orders\" (QTY)");
    s_->execute("CREATE INDEX IX ON ORDERS (\"id\")");
    s_->execute("CREATE VIEW \"v\" AS SELECT \"id\" FROM \"Orders\"");
    s_->execute("CREATE VIEW V AS SELECT ID FROM ORDERS");
    s_->execute("CREATE SEQUENCE \"seq\" START WITH 10");
    s_->execute("CREATE SEQUENCE SEQ");
    EXPECT_EQ(lite_rows(*s_,
                        "select object_name, object_type from user_objects order by "
                        "object_type, object_name"),
              (rows{{"IX", "INDEX"},
                    {"PK", "INDEX"},
                    {"ix", "INDEX"},
                    {"pk", "INDEX"},
                    {"SEQ", "SEQUENCE"},
                    {"seq", "SEQUENCE"},
                    {"ORDERS", "TABLE"},
                    {"Orders", "TABLE"},
                    {"V", "VIEW"},
                    {"v", "VIEW"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select constraint_name, table_name from user_constraints where "
                        "constraint_type in ('P', 'R') order by constraint_name"),
              (rows{{"PK", "ORDERS"}, {"fk", "ORDERS"}, {"pk", "Orders"}}));

    s_->execute("INSERT INTO \"Orders\" VALUES (1, 5)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO \"Orders\" VALUES (1, 6)"), 1);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO \"Orders\" VALUES (2, 5)"), 1);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO \"Orders\" VALUES (3, 0)"), 2290);
    s_->execute("INSERT INTO ORDERS VALUES (1, 1)");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ORDERS VALUES (2, 9)"), 2291);
    EXPECT_EQ(lite_fails_with(*s_, "DELETE FROM \"Orders\""), 2292);
    try {
        s_->execute("INSERT INTO \"Orders\" VALUES (3, 0)");
        ADD_FAILURE() << "the check let the row in";
    } catch (const lite_error& e) {
        EXPECT_NE(std::string(e.what()).find(".qty_ck) violated"), std::string::npos) << e.what();
    }

    EXPECT_EQ(lite_rows(*s_, "select * from \"v\""), (rows{{"1"}}));
    EXPECT_EQ(lite_rows(*s_, "select * from v"), (rows{{"1"}}));
    EXPECT_EQ(column_names("select * from \"v\""), (std::vector<std::string>{"id"}));
    EXPECT_EQ(lite_cell(*s_, "select \"seq\".nextval from dual"), "10");
    EXPECT_EQ(lite_cell(*s_, "select seq.nextval from dual"), "1");
    EXPECT_EQ(lite_fails_with(*s_, "select \"Seq\".nextval from dual"), 2289);

    s_->execute("DROP INDEX \"ix\"");
    s_->execute("INSERT INTO \"Orders\" VALUES (2, 5)");
    EXPECT_EQ(lite_rows(*s_, "select index_name from user_indexes order by index_name"),
              (rows{{"IX"}, {"PK"}, {"pk"}}));
    s_->execute("DROP SEQUENCE \"seq\"");
    EXPECT_EQ(lite_cell(*s_, "select seq.nextval from dual"), "2");
}

}  // namespace
