// Synonyms, object privileges and what each user may see of the dictionary, against the answers
// Oracle documents for them.
#include <gtest/gtest.h>

#include "lite_test_helpers.h"

namespace {

using rows = std::vector<std::vector<std::string>>;

class LiteAccess : public ::testing::Test {
protected:
    void SetUp() override {
        lite_instance::add_user(inst_.dir(), "OTHER", "pw");
        s_ = inst_.logon();
        s_->execute("CREATE TABLE t (a NUMBER CONSTRAINT t_pk PRIMARY KEY, b VARCHAR2(5))");
        s_->execute("INSERT INTO t VALUES (1, 'one')");
        s_->commit();
    }
    std::unique_ptr<lite_session> other() const {
        auto o = std::make_unique<lite_session>();
        o->logon_dir(inst_.dir(), "OTHER", "pw");
        return o;
    }

    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteAccess, SynonymsReachTheirObjectsForQueriesAndDml) {
    s_->execute("CREATE SYNONYM s FOR t");
    EXPECT_EQ(lite_cell(*s_, "select b from s"), "one");
    EXPECT_EQ(lite_cell(*s_, "select s.b from s where s.a = 1"), "one");
    EXPECT_EQ(lite_cell(*s_, "select x.b from s x join t on t.a = x.a"), "one");
    s_->execute("INSERT INTO s VALUES (2, 'two')");
    s_->execute("UPDATE s SET b = 'deux' WHERE s.a = 2");
    EXPECT_EQ(lite_cell(*s_, "select b from t where a = 2"), "deux");
    s_->execute("DELETE FROM s WHERE a = 2");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from t"), "1");
    EXPECT_EQ(lite_cell(*s_, "select b from s where a = 1 for update"), "one");
    // A chain is followed to its end; a view is reached like a table.
    s_->execute("CREATE VIEW v AS SELECT a, b FROM t");
    s_->execute("CREATE SYNONYM c1 FOR c2");
    s_->execute("CREATE SYNONYM c2 FOR app.v");
    EXPECT_EQ(lite_cell(*s_, "select b from c1"), "one");
    EXPECT_EQ(lite_rows(*s_,
                        "select synonym_name, table_owner, table_name, db_link from "
                        "user_synonyms order by synonym_name"),
              (rows{{"C1", "APP", "C2", "<null>"},
                    {"C2", "APP", "V", "<null>"},
                    {"S", "APP", "T", "<null>"}}));
    EXPECT_EQ(lite_cell(*s_, "select object_type from user_objects where object_name = 'S'"),
              "SYNONYM");

    // One namespace holds tables, views and private synonyms.
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SYNONYM s FOR v"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SYNONYM v FOR t"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE TABLE s (x NUMBER)"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SYNONYM t FOR t"), 1471);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE SYNONYM other.s FOR t"), 1031);
    s_->execute("CREATE OR REPLACE SYNONYM s FOR v");
    EXPECT_EQ(lite_cell(*s_, "select table_name from user_synonyms where synonym_name = 'S'"), "V");

    // A synonym may be made for nothing; using it says so.
    s_->execute("CREATE SYNONYM gone FOR nothing_here");
    EXPECT_EQ(lite_fails_with(*s_, "select * from gone"), 980);
    s_->execute("CREATE SYNONYM l1 FOR l2");
    s_->execute("CREATE SYNONYM l2 FOR l1");
    EXPECT_EQ(lite_fails_with(*s_, "select * from l1"), 1775);
    s_->execute("CREATE SYNONYM far FOR t@elsewhere");
    EXPECT_EQ(lite_fails_with(*s_, "select * from far"), 2019);
    // Dropping the object leaves its synonym leading nowhere.
    s_->execute("DROP VIEW v");
    EXPECT_EQ(lite_fails_with(*s_, "select * from c1"), 980);

    s_->execute("DROP SYNONYM s");
    EXPECT_EQ(lite_fails_with(*s_, "select * from s"), 942);
    EXPECT_EQ(lite_fails_with(*s_, "DROP SYNONYM s"), 1434);
    EXPECT_EQ(lite_fails_with(*s_, "DROP PUBLIC SYNONYM s"), 1432);
}

TEST_F(LiteAccess, PublicSynonymsServeEveryUserWithinItsGrants) {
    s_->execute("CREATE PUBLIC SYNONYM pt FOR t");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE PUBLIC SYNONYM pt FOR t"), 955);
    EXPECT_EQ(lite_cell(*s_, "select b from pt"), "one");
    auto o = other();
    // A synonym is no privilege.
    EXPECT_EQ(lite_fails_with(*o, "select b from pt"), 942);
    EXPECT_EQ(lite_cell(*o, "select count(*) from all_synonyms where synonym_name = 'PT'"), "1");
    s_->execute("GRANT SELECT ON t TO other");
    EXPECT_EQ(lite_cell(*o, "select b from pt"), "one");
    EXPECT_EQ(
        lite_rows(*o, "select owner, synonym_name, table_owner, table_name from all_synonyms"),
        (rows{{"PUBLIC", "PT", "APP", "T"}}));
    // The user's own objects and synonyms come before a public synonym.
    o->execute("CREATE TABLE pt (z VARCHAR2(5))");
    o->execute("INSERT INTO pt VALUES ('mine')");
    EXPECT_EQ(lite_cell(*o, "select z from pt"), "mine");
    o->execute("DROP TABLE pt");
    o->execute("CREATE SYNONYM pt FOR app.t");
    EXPECT_EQ(lite_cell(*o, "select b from pt"), "one");
    // A synonym of its object's own name in another schema qualifies columns as the table does.
    o->execute("CREATE SYNONYM t FOR app.t");
    EXPECT_EQ(lite_rows(*o, "select t.b, count(*) from t where t.a > 0 group by t.b"),
              (rows{{"one", "1"}}));
    EXPECT_EQ(lite_cell(*o, "select max(t.a) from t, pt where pt.a = t.a"), "1");
    EXPECT_EQ(
        lite_rows(*inst_.logon_system(),
                  "select owner, synonym_name from dba_synonyms order by owner, synonym_name"),
        (rows{{"OTHER", "PT"}, {"OTHER", "T"}, {"PUBLIC", "PT"}}));
    s_->execute("DROP PUBLIC SYNONYM pt");
    EXPECT_EQ(lite_cell(*o, "select count(*) from all_synonyms where owner = 'PUBLIC'"), "0");
}

TEST_F(LiteAccess, GrantsAreKeptAndEachUseNeedsItsPrivilege) {
    auto o = other();
    // Without any privilege the object does not exist for the user.
    EXPECT_EQ(lite_fails_with(*o, "select * from app.t"), 942);
    EXPECT_EQ(lite_fails_with(*o, "insert into app.t values (5, 'x')"), 942);
    s_->execute("GRANT INSERT ON t TO other");
    // Holding another privilege, the user is told it lacks this one.
    EXPECT_EQ(lite_fails_with(*o, "select * from app.t"), 1031);
    s_->execute("GRANT READ ON t TO other");
    EXPECT_EQ(lite_cell(*o, "select b from app.t"), "one");
    EXPECT_EQ(lite_rows(*s_,
                        "select grantee, owner, table_name, grantor, privilege, grantable, type "
                        "from user_tab_privs order by privilege"),
              (rows{{"OTHER", "APP", "T", "APP", "INSERT", "NO", "TABLE"},
                    {"OTHER", "APP", "T", "APP", "READ", "NO", "TABLE"}}));
    s_->execute("REVOKE INSERT, READ ON t FROM other");
    EXPECT_EQ(lite_fails_with(*o, "select * from app.t"), 942);
    s_->execute("GRANT ALL ON t TO other WITH GRANT OPTION");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tab_privs where grantable = 'YES'"), "12");
    s_->execute("REVOKE ALL PRIVILEGES ON t FROM other");
    s_->execute("CREATE SEQUENCE q");
    EXPECT_EQ(lite_fails_with(*o, "select app.q.nextval from dual"), 942);
    s_->execute("GRANT SELECT ON q TO PUBLIC");
    EXPECT_EQ(lite_cell(*o, "select app.q.nextval from dual"), "1");
    // A sequence is reached through a synonym too.
    o->execute("CREATE SYNONYM qs FOR app.q");
    EXPECT_EQ(lite_cell(*o, "select qs.nextval from dual"), "2");
    EXPECT_EQ(lite_cell(*o, "select qs.currval from dual"), "2");
    EXPECT_EQ(lite_cell(*o, "select type from all_tab_privs where table_name = 'Q'"), "SEQUENCE");
    s_->execute("CREATE PROCEDURE p AS BEGIN NULL; END;");
    s_->execute("GRANT EXECUTE ON p TO other");
    EXPECT_EQ(lite_cell(*o, "select type from all_tab_privs where table_name = 'P'"), "PROCEDURE");
    EXPECT_EQ(lite_fails_with(*s_, "GRANT INSERT ON p TO other"), 990);

    EXPECT_EQ(lite_fails_with(*s_, "GRANT SELECT ON t TO nobody"), 1917);
    EXPECT_EQ(lite_fails_with(*s_, "GRANT SELECT ON nothing TO other"), 942);
    EXPECT_EQ(lite_fails_with(*s_, "GRANT SELECT ON t TO app"), 1749);
    EXPECT_EQ(lite_fails_with(*s_, "GRANT FLY ON t TO other"), 990);
    EXPECT_EQ(lite_fails_with(*s_, "GRANT SELECT ON t other"), 946);
    EXPECT_EQ(lite_fails_with(*s_, "REVOKE SELECT ON t FROM other"), 1927);
    // Only the owner grants on its objects.
    EXPECT_EQ(lite_fails_with(*o, "GRANT SELECT ON app.t TO PUBLIC"), 942);
    // System privileges and roles, as an installation script sends them, are accepted for a
    // user that exists.
    s_->execute(
        "GRANT CREATE MATERIALIZED VIEW, CREATE SESSION, CREATE TABLE, CONNECT, RESOURCE TO other");
    s_->execute("REVOKE CREATE TABLE FROM other");
    EXPECT_EQ(lite_fails_with(*s_, "REVOKE CREATE TABLE FROM other"), 1952);
    EXPECT_EQ(lite_fails_with(*s_, "REVOKE DBA FROM other"), 1951);
    EXPECT_EQ(lite_fails_with(*s_, "GRANT CONNECT TO nobody"), 1917);
    // A foreign key into another schema needs REFERENCES on its parent.
    const std::string child = "CREATE TABLE kid (a NUMBER REFERENCES app.t)";
    EXPECT_EQ(lite_fails_with(*o, child), 942);
    s_->execute("GRANT SELECT ON t TO other");
    EXPECT_EQ(lite_fails_with(*o, child), 1031);
    s_->execute("GRANT REFERENCES ON t TO other");
    o->execute(child);
    // The privileges on an object go with it.
    s_->execute("GRANT SELECT ON t TO other");
    s_->execute("DROP TABLE t CASCADE CONSTRAINTS");
    s_->execute("CREATE TABLE t (a NUMBER)");
    EXPECT_EQ(lite_fails_with(*o, "select * from app.t"), 942);
}

// A grantee writes through its grants, with the owner's identity sequences and triggers, and
// through a synonym of its own.
TEST_F(LiteAccess, GranteesChangeAnotherSchemaThroughTheirGrants) {
    s_->execute("CREATE TABLE idt (id NUMBER GENERATED BY DEFAULT AS IDENTITY, v VARCHAR2(5))");
    s_->execute("GRANT SELECT, INSERT, UPDATE, DELETE ON idt TO other");
    auto o = other();
    o->execute("CREATE SYNONYM mine FOR app.idt");
    o->execute("INSERT INTO app.idt (v) VALUES ('a')");
    o->execute("INSERT INTO mine (v) VALUES ('b')");
    o->execute("UPDATE mine SET v = 'c' WHERE mine.v = 'b'");
    o->execute("DELETE FROM app.idt WHERE v = 'a'");
    o->commit();
    EXPECT_EQ(lite_rows(*s_, "select id, v from idt"), (rows{{"2", "c"}}));
}

TEST_F(LiteAccess, AllViewsShowOwnAndGrantedObjectsOnly) {
    s_->execute("CREATE INDEX t_b ON t (b)");
    s_->execute("CREATE TABLE hidden (h NUMBER CONSTRAINT hidden_pk PRIMARY KEY)");
    s_->execute("CREATE VIEW tv AS SELECT a FROM t");
    s_->execute("CREATE SEQUENCE q");
    s_->execute("COMMENT ON TABLE t IS 'shared'");
    s_->execute("COMMENT ON COLUMN t.b IS 'the word'");
    auto o = other();
    o->execute("CREATE TABLE own (x NUMBER)");
    const std::string app = " where owner = 'APP'";
    auto seen = [&](const std::string& view, const std::string& filter = " where owner = 'APP'") {
        return lite_cell(*o, "select count(*) from " + view + filter);
    };
    for (const char* v :
         {"all_tables", "all_tab_columns", "all_views", "all_constraints", "all_cons_columns",
          "all_indexes", "all_objects", "all_tab_comments", "all_col_comments"}) {
        EXPECT_EQ(seen(v), "0") << v;
    }
    EXPECT_EQ(seen("all_ind_columns", " where index_owner = 'APP'"), "0");
    EXPECT_EQ(seen("all_sequences", " where sequence_owner = 'APP'"), "0");
    EXPECT_EQ(seen("all_tables", ""), "1");

    s_->execute("GRANT SELECT ON t TO other");
    s_->execute("GRANT SELECT ON tv TO PUBLIC");
    s_->execute("GRANT SELECT ON q TO other");
    EXPECT_EQ(lite_rows(*o, "select owner, table_name from all_tables order by owner"),
              (rows{{"APP", "T"}, {"OTHER", "OWN"}}));
    EXPECT_EQ(seen("all_tab_columns"), "3");  // T's two and the view's one
    EXPECT_EQ(lite_cell(*o, "select view_name from all_views"), "TV");
    EXPECT_EQ(lite_cell(*o, "select constraint_name from all_constraints" + app), "T_PK");
    EXPECT_EQ(seen("all_cons_columns"), "1");
    EXPECT_EQ(seen("all_indexes"), "2");
    EXPECT_EQ(seen("all_ind_columns", " where index_owner = 'APP'"), "2");
    EXPECT_EQ(lite_cell(*o,
                        "select sequence_name from all_sequences where sequence_owner = "
                        "'APP'"),
              "Q");
    EXPECT_EQ(lite_rows(*o,
                        "select object_name, object_type from all_objects where owner = 'APP' "
                        "order by object_name"),
              (rows{{"Q", "SEQUENCE"},
                    {"T", "TABLE"},
                    {"TV", "VIEW"},
                    {"T_B", "INDEX"},
                    {"T_PK", "INDEX"}}));
    EXPECT_EQ(lite_cell(*o, "select comments from all_tab_comments where table_name = 'T'"),
              "shared");
    EXPECT_EQ(lite_cell(*o, "select comments from all_col_comments where column_name = 'B'"),
              "the word");
    // The view reads its owner's table with its owner's rights.
    s_->execute("REVOKE SELECT ON t FROM other");
    EXPECT_EQ(lite_cell(*o, "select count(*) from app.tv"), "1");
    EXPECT_EQ(lite_fails_with(*o, "select count(*) from app.t"), 942);
    // The USER_ views stay the user's own.
    EXPECT_EQ(lite_cell(*o, "select table_name from user_tables"), "OWN");
}

TEST_F(LiteAccess, DbaViewsAndEverySchemaAreForAdministrators) {
    auto o = other();
    for (const char* v : {"dba_tables", "dba_tab_columns", "dba_objects", "dba_users",
                          "dba_synonyms", "dba_tab_privs", "dba_ts_quotas"}) {
        EXPECT_EQ(lite_fails_with(*o, std::string("select count(*) from ") + v), 942) << v;
    }
    auto sys = inst_.logon_system();
    EXPECT_EQ(lite_cell(*sys, "select b from app.t"), "one");
    EXPECT_EQ(lite_cell(*sys, "select count(*) from all_tables where owner = 'APP'"), "1");
    EXPECT_EQ(lite_cell(*sys, "select count(*) from dba_tables where owner = 'APP'"), "1");
    sys->execute("GRANT SELECT ANY DICTIONARY TO other");
    o = other();
    EXPECT_EQ(lite_cell(*o, "select count(*) from dba_tables where owner = 'APP'"), "1");
    EXPECT_EQ(lite_fails_with(*o, "select b from app.t"), 942);
    sys->execute("GRANT DBA TO other");
    EXPECT_EQ(lite_cell(*o, "select b from app.t"), "one");
    sys->execute("REVOKE DBA FROM other");
    EXPECT_EQ(lite_fails_with(*o, "select b from app.t"), 942);
}

}  // namespace
