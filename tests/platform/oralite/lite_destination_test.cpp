// What a program that writes into the engine sends besides plain tables: users identified
// externally with quotas, sequences with the row trigger that fills a key from them, unique
// indexes on expressions, and the dictionary views that show them.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

class LiteDestination : public ::testing::Test {
protected:
    void SetUp() override { s_ = inst_.logon(); }

    // The shape of trigger a writer sends for an auto-increment column.
    void keyed_table() {
        s_->execute("CREATE TABLE t (id NUMBER(10) NOT NULL, name VARCHAR2(20), a NUMBER)");
        s_->execute(
            "CREATE SEQUENCE \"T_0\" INCREMENT BY 1 START WITH 1 MAXVALUE 1.0E28 MINVALUE 1 "
            "NOCYCLE NOCACHE ORDER");
        s_->execute(
            "CREATE OR REPLACE TRIGGER \"T__TRIGGER\" BEFORE INSERT ON \"T\" FOR EACH ROW WHEN "
            "(new.\"ID\" IS NULL) BEGIN select \"T_0\".nextval into :new.\"ID\" from dual; END;");
    }

    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteDestination, UserIdentifiedExternallyLogsOnOnlyExternally) {
    s_->execute("CREATE USER \"DEST\" identified externally");
    s_->execute("ALTER USER \"DEST\" quota unlimited on \"USERS\"");
    std::unique_ptr<lite_session> dba = inst_.logon_system();
    EXPECT_EQ(lite_cell(*dba, "select authentication_type from dba_users where username = 'DEST'"),
              "EXTERNAL");
    EXPECT_EQ(lite_cell(*dba, "select max_bytes from dba_ts_quotas where username = 'DEST'"), "-1");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE USER \"DEST\" identified externally"), 1920);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER USER \"NOBODY\" quota unlimited on \"USERS\""), 1918);
    EXPECT_EQ(lite_fails_with(*s_, "ALTER USER \"DEST\" quota 10M on \"NOWHERE\""), 959);
    s_->execute("ALTER USER \"DEST\" quota 10M on \"USERS\"");
    EXPECT_EQ(lite_cell(*dba, "select max_bytes from dba_ts_quotas where username = 'DEST'"),
              "10485760");

    lite_session ext;
    EXPECT_THROW(ext.logon_dir(inst_.dir(), "DEST", ""), lite_error);
    ext.logon_dir(inst_.dir(), "DEST", "", true);
    ext.execute("CREATE TABLE mine (x NUMBER)");
    ext.execute("INSERT INTO mine VALUES (1)");
    ext.commit();
    EXPECT_EQ(lite_cell(ext, "select count(*) from user_tables"), "1");
    lite_session pw;
    EXPECT_THROW(pw.logon_dir(inst_.dir(), "APP", "secret", true), lite_error);
}

TEST_F(LiteDestination, RowTriggerFillsTheKeyFromItsSequence) {
    keyed_table();
    s_->execute("INSERT INTO t (name) VALUES ('a')");
    s_->execute("INSERT /*+ APPEND */ INTO t (id, name) VALUES (NULL, 'b')");
    s_->execute("INSERT INTO t (id, name) VALUES (100, 'c')");
    s_->execute("INSERT INTO t (name, a) SELECT name, 7 FROM t WHERE id = 100");
    EXPECT_EQ(lite_rows(*s_, "select id, name, nvl(a, 0) from t order by id"),
              (std::vector<std::vector<std::string>>{
                  {"1", "a", "0"}, {"2", "b", "0"}, {"3", "c", "7"}, {"100", "c", "0"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select trigger_name, trigger_type, triggering_event, table_name, status "
                        "from user_triggers"),
              (std::vector<std::vector<std::string>>{
                  {"T__TRIGGER", "BEFORE EACH ROW", "INSERT", "T", "ENABLED"}}));
    EXPECT_EQ(lite_cell(*s_, "select sequence_name from user_sequences"), "T_0");
    EXPECT_EQ(lite_cell(*s_, "select status from user_objects where object_type = 'TRIGGER'"),
              "VALID");
    EXPECT_EQ(lite_fails_with(*s_,
                              "CREATE TRIGGER \"T__TRIGGER\" BEFORE INSERT ON \"T\" FOR EACH ROW "
                              "BEGIN :new.a := 1; END;"),
              4081);
    s_->execute("DROP TABLE t");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_triggers"), "0");
}

TEST_F(LiteDestination, AssignmentTriggersSeeEarlierAssignments) {
    s_->execute("CREATE TABLE t (a NUMBER, b NUMBER)");
    s_->execute(
        "CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW BEGIN :new.a := nvl(:new.a, 5); "
        ":new.b := :new.a * 2; END;");
    s_->execute("INSERT INTO t (a) VALUES (NULL)");
    s_->execute("INSERT INTO t VALUES (1, 0)");
    EXPECT_EQ(lite_rows(*s_, "select a, b from t order by a"),
              (std::vector<std::vector<std::string>>{{"1", "2"}, {"5", "10"}}));
}

TEST_F(LiteDestination, OtherTriggersAreStoredOnly) {
    s_->execute("CREATE TABLE t (a NUMBER)");
    s_->execute("CREATE TRIGGER tr AFTER INSERT ON t FOR EACH ROW BEGIN :new.a := 9; END;");
    s_->execute("INSERT INTO t VALUES (1)");
    EXPECT_EQ(lite_cell(*s_, "select a from t"), "1");
    EXPECT_EQ(lite_cell(*s_, "select status from user_objects where object_type = 'TRIGGER'"),
              "INVALID");
}

TEST_F(LiteDestination, UniqueIndexOnCaseExemptsRowsWithNull) {
    s_->execute("CREATE TABLE t (a NUMBER, b VARCHAR2(10))");
    s_->execute(
        "CREATE UNIQUE INDEX \"UI\" ON \"T\" (CASE WHEN \"A\" IS NOT NULL AND \"B\" IS NOT NULL "
        "THEN \"A\" || ',' || \"B\" END)");
    s_->execute("INSERT INTO t VALUES (1, 'x')");
    s_->execute("INSERT INTO t VALUES (1, NULL)");
    s_->execute("INSERT INTO t VALUES (1, NULL)");
    s_->execute("INSERT INTO t VALUES (NULL, 'x')");
    s_->execute("INSERT INTO t VALUES (NULL, 'x')");
    try {
        s_->execute("INSERT INTO t VALUES (1, 'x')");
        FAIL() << "duplicate accepted";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 1);
        EXPECT_EQ(e.text(), "unique constraint (APP.UI) violated");
    }
    EXPECT_EQ(lite_cell(*s_, "select index_type from user_indexes where index_name = 'UI'"),
              "FUNCTION-BASED NORMAL");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE INDEX \"UI\" ON \"T\" (\"A\")"), 955);
}

TEST_F(LiteDestination, ConstraintsAddedAndColumnsMadeNullable) {
    s_->execute("CREATE TABLE p (id NUMBER(10), code VARCHAR2(5) NOT NULL)");
    s_->execute("CREATE TABLE c (id NUMBER(10), pid NUMBER(10))");
    s_->execute("ALTER TABLE \"P\" ADD CONSTRAINT \"P_PK\" PRIMARY KEY (\"ID\")");
    s_->execute("ALTER TABLE \"P\" ADD CONSTRAINT \"P_UI\" UNIQUE(\"CODE\")");
    s_->execute(
        "ALTER TABLE \"C\" ADD FOREIGN KEY (\"PID\") REFERENCES \"P\" (\"ID\") on delete cascade");
    EXPECT_EQ(lite_rows(*s_,
                        "select constraint_name, constraint_type, nvl(delete_rule, '-') from "
                        "user_constraints where constraint_type in ('P', 'U') order by 1"),
              (std::vector<std::vector<std::string>>{{"P_PK", "P", "-"}, {"P_UI", "U", "-"}}));
    EXPECT_EQ(lite_cell(*s_, "select delete_rule from user_constraints where table_name = 'C'"),
              "CASCADE");
    s_->execute("ALTER TABLE \"P\" MODIFY \"CODE\" VARCHAR2(5) DEFAULT 'x' NULL");
    s_->execute("INSERT INTO p (id) VALUES (1)");
    EXPECT_EQ(lite_cell(*s_, "select code from p"), "x");
    s_->execute("INSERT INTO p (id, code) VALUES (2, 'x2')");
    s_->execute("INSERT INTO p (id, code) VALUES (3, 'x3')");
    s_->execute("ALTER TABLE \"P\" DROP CONSTRAINT \"P_UI\"");
    s_->execute("UPDATE p SET code = 'x' WHERE id = 2");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE \"P\" ADD CONSTRAINT \"P_UI\" UNIQUE(\"CODE\")"),
              2299);
}

TEST_F(LiteDestination, TextBoundIntoNumberIsExact) {
    keyed_table();
    s_->execute("ALTER TABLE t ADD (big NUMBER)");
    for (const char* sql :
         {"INSERT INTO t (id, big) VALUES (:1, :2)", "INSERT INTO t (big) VALUES (:2)"}) {
        auto st = s_->prepare(sql);
        if (st->bind_count() == 2) st->bind_int64(1, 500);
        st->bind_text(st->bind_count(), "9007199254740999");
        st->execute();
    }
    EXPECT_EQ(lite_rows(*s_, "select to_char(big) from t order by id"),
              (std::vector<std::vector<std::string>>{{"9007199254740999"}, {"9007199254740999"}}));
}

}  // namespace
