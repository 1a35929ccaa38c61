// Materialized views, identity columns, index kinds and constraint states: what the dictionary
// shows of each, against the answers Oracle's reference gives for the same objects.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "lite_test_helpers.h"
#include "script/lite_script.h"

namespace {

using rows = std::vector<std::vector<std::string>>;

class LiteCatalogueKinds : public ::testing::Test {
protected:
    void SetUp() override {
        s_ = inst_.logon();
        s_->execute(
            "CREATE TABLE sales (id NUMBER(6) NOT NULL, region VARCHAR2(10), amt NUMBER(9,2))");
        s_->execute("INSERT INTO sales VALUES (1, 'N', 10.5)");
        s_->execute("INSERT INTO sales VALUES (2, 'N', 4)");
        s_->execute("INSERT INTO sales VALUES (3, 'S', 7.25)");
        s_->commit();
    }
    // The DBA_ views are an administrator's: they are read as SYSTEM, once the test's work is
    // committed.
    std::string dba_cell(const std::string& sql) {
        s_->commit();
        return lite_cell(*inst_.logon_system(), sql);
    }
    lite_scratch inst_;
    std::unique_ptr<lite_session> s_;
};

TEST_F(LiteCatalogueKinds, MaterializedViewIsATableHoldingTheRowsOfItsQuery) {
    const std::string query =
        "SELECT region, SUM(amt) AS total, COUNT(*) AS n FROM sales GROUP BY region";
    s_->execute(
        "CREATE MATERIALIZED VIEW sales_mv BUILD IMMEDIATE REFRESH COMPLETE ON DEMAND "
        "ENABLE QUERY REWRITE AS " +
        query);
    EXPECT_EQ(lite_rows(*s_, "select region, total, n from sales_mv order by region"),
              (rows{{"N", "14.5", "2"}, {"S", "7.25", "1"}}));
    // Rows written to the master afterwards are not there until a refresh, which never comes.
    s_->execute("INSERT INTO sales VALUES (4, 'S', 1)");
    EXPECT_EQ(lite_cell(*s_, "select n from sales_mv where region = 'S'"), "1");
    EXPECT_EQ(lite_cell(*s_, "select table_name from user_tables where table_name = 'SALES_MV'"),
              "SALES_MV");
    EXPECT_EQ(lite_cell(*s_, "select owner from all_tables where table_name = 'SALES_MV'"), "APP");
    EXPECT_EQ(dba_cell("select count(*) from dba_tables where table_name = 'SALES_MV'"), "1");
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, data_type from user_tab_columns where table_name = "
                        "'SALES_MV' order by column_id"),
              (rows{{"REGION", "VARCHAR2"}, {"TOTAL", "NUMBER"}, {"N", "NUMBER"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select owner, mview_name, container_name, query, query_len, updatable, "
                        "rewrite_enabled, refresh_mode, refresh_method, build_mode, staleness "
                        "from user_mviews"),
              (rows{{"APP", "SALES_MV", "SALES_MV", query, std::to_string(query.size()), "N", "Y",
                     "DEMAND", "COMPLETE", "IMMEDIATE", "FRESH"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from all_mviews where owner = 'APP'"), "1");
    EXPECT_EQ(dba_cell("select count(*) from dba_mviews where last_refresh_date is not null"), "1");
    // Oracle lists both the materialized view and its container table among the objects.
    EXPECT_EQ(lite_rows(*s_,
                        "select object_type from user_objects where object_name = 'SALES_MV' "
                        "order by object_type"),
              (rows{{"MATERIALIZED VIEW"}, {"TABLE"}}));
}

TEST_F(LiteCatalogueKinds, MaterializedViewClausesAndDrop) {
    s_->execute(
        "CREATE MATERIALIZED VIEW mv_d (k, v) TABLESPACE users PCTFREE 5 "
        "STORAGE (INITIAL 64K) BUILD DEFERRED REFRESH FAST ON COMMIT WITH PRIMARY KEY "
        "AS SELECT id, amt FROM sales");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from mv_d"), "0");
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, nullable from user_tab_columns where table_name = "
                        "'MV_D' order by column_id"),
              (rows{{"K", "N"}, {"V", "Y"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select refresh_mode, refresh_method, build_mode, updatable, "
                        "rewrite_enabled, staleness, last_refresh_date from user_mviews"),
              (rows{{"COMMIT", "FAST", "DEFERRED", "N", "N", "UNUSABLE", "<null>"}}));
    s_->execute("CREATE SNAPSHOT mv_n NEVER REFRESH FOR UPDATE AS SELECT * FROM sales");
    EXPECT_EQ(lite_rows(*s_,
                        "select refresh_mode, refresh_method, updatable from user_mviews where "
                        "mview_name = 'MV_N'"),
              (rows{{"NEVER", "NEVER", "Y"}}));
    EXPECT_EQ(lite_cell(*s_, "select count(*) from mv_n"), "3");

    EXPECT_EQ(lite_fails_with(*s_, "CREATE MATERIALIZED VIEW mv_d AS SELECT * FROM sales"), 955);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE MATERIALIZED VIEW sales AS SELECT * FROM sales"), 955);
    EXPECT_EQ(
        lite_fails_with(*s_, "CREATE MATERIALIZED VIEW mv_x (a) AS SELECT id, amt FROM sales"),
        1730);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE MATERIALIZED VIEW mv_x AS SELECT nope FROM sales"), 904);
    EXPECT_EQ(lite_fails_with(*s_, "CREATE MATERIALIZED VIEW mv_x AS SELECT id, id FROM sales"),
              957);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tables where table_name = 'MV_X'"), "0");
    try {
        s_->execute("DROP TABLE mv_d");
        ADD_FAILURE() << "DROP TABLE dropped a materialized view";
    } catch (const lite_error& e) {
        EXPECT_EQ(e.code(), 12083);
        EXPECT_STREQ(e.what(),
                     "ORA-12083: must use DROP MATERIALIZED VIEW to drop \"APP\".\"MV_D\"");
    }
    s_->execute("DROP MATERIALIZED VIEW mv_d");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tables where table_name = 'MV_D'"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_mviews where mview_name = 'MV_D'"), "0");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_objects where object_name = 'MV_D'"), "0");
    EXPECT_EQ(lite_fails_with(*s_, "DROP MATERIALIZED VIEW mv_d"), 12003);
    EXPECT_EQ(lite_fails_with(*s_, "DROP MATERIALIZED VIEW sales"), 12003);
    s_->execute("DROP SNAPSHOT mv_n");

    // A view registered on a table of its name leaves the table when it goes.
    s_->execute("CREATE TABLE pre (region VARCHAR2(10), total NUMBER)");
    s_->execute(
        "CREATE MATERIALIZED VIEW pre ON PREBUILT TABLE AS SELECT region, SUM(amt) FROM "
        "sales GROUP BY region");
    EXPECT_EQ(lite_cell(*s_, "select build_mode from user_mviews where mview_name = 'PRE'"),
              "PREBUILT");
    EXPECT_EQ(lite_fails_with(*s_,
                              "CREATE MATERIALIZED VIEW nopre ON PREBUILT TABLE AS SELECT * "
                              "FROM sales"),
              12059);
    s_->execute("DROP MATERIALIZED VIEW pre");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tables where table_name = 'PRE'"), "1");
}

TEST_F(LiteCatalogueKinds, MaterializedViewLogsAreIgnoredAndTheScriptGoesOn) {
    std::vector<int> failed;
    lite_script_runner r(
        *s_, [](const std::string&) {},
        [&](const lite_script_error& e) { failed.push_back(e.code()); });
    r.run(
        "CREATE MATERIALIZED VIEW LOG ON sales WITH ROWID, SEQUENCE (region, amt) INCLUDING NEW "
        "VALUES;\n"
        "CREATE MATERIALIZED VIEW mv REFRESH FAST ON COMMIT AS SELECT region, COUNT(*) c FROM "
        "sales GROUP BY region;\n"
        "DROP MATERIALIZED VIEW LOG ON sales;\n",
        "mv.sql");
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(lite_cell(*s_, "select count(*) from mv"), "2");
}

TEST_F(LiteCatalogueKinds, IndexTypesAreShownAsDeclared) {
    s_->execute("CREATE INDEX ix_n ON sales (id)");
    s_->execute("CREATE BITMAP INDEX ix_b ON sales (region)");
    s_->execute("CREATE INDEX ix_u ON sales (UPPER(region))");
    s_->execute("CREATE UNIQUE INDEX ix_d ON sales (id, amt DESC)");
    s_->execute("CREATE BITMAP INDEX ix_bf ON sales (amt * 2)");
    EXPECT_EQ(lite_rows(*s_,
                        "select index_name, index_type, uniqueness from user_indexes order by "
                        "index_name"),
              (rows{{"IX_B", "BITMAP", "NONUNIQUE"},
                    {"IX_BF", "FUNCTION-BASED BITMAP", "NONUNIQUE"},
                    {"IX_D", "FUNCTION-BASED NORMAL", "UNIQUE"},
                    {"IX_N", "NORMAL", "NONUNIQUE"},
                    {"IX_U", "FUNCTION-BASED NORMAL", "NONUNIQUE"}}));
    // Each expression or DESC key is a hidden column numbered after the table's three.
    EXPECT_EQ(lite_rows(*s_,
                        "select index_name, column_name, column_position, descend from "
                        "user_ind_columns order by index_name, column_position"),
              (rows{{"IX_B", "REGION", "1", "ASC"},
                    {"IX_BF", "SYS_NC00006$", "1", "ASC"},
                    {"IX_D", "ID", "1", "ASC"},
                    {"IX_D", "SYS_NC00005$", "2", "DESC"},
                    {"IX_N", "ID", "1", "ASC"},
                    {"IX_U", "SYS_NC00004$", "1", "ASC"}}));
    EXPECT_EQ(lite_rows(*s_,
                        "select index_name, table_name, column_expression, column_position from "
                        "user_ind_expressions order by index_name"),
              (rows{{"IX_BF", "SALES", "amt * 2", "1"},
                    {"IX_D", "SALES", "\"AMT\"", "2"},
                    {"IX_U", "SALES", "UPPER(region)", "1"}}));
    EXPECT_EQ(lite_cell(*s_,
                        "select index_type from all_indexes where index_name = 'IX_D' and owner "
                        "= 'APP'"),
              "FUNCTION-BASED NORMAL");
    EXPECT_EQ(dba_cell("select count(*) from dba_ind_expressions where index_owner = 'APP'"), "3");
    // A DESC key is another key: the same columns ascending are not already indexed.
    s_->execute("CREATE INDEX ix_a ON sales (id, amt)");
    EXPECT_EQ(lite_fails_with(*s_, "CREATE INDEX ix_a2 ON sales (id, amt DESC)"), 1408);
    // The unique one still holds, and the bitmap ones do not stand in the rows' way.
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO sales VALUES (1, 'N', 10.5)"), 1);
    s_->execute("INSERT INTO sales VALUES (1, 'N', 11)");
    s_->execute("DROP INDEX ix_bf");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_ind_expressions"), "2");
}

TEST_F(LiteCatalogueKinds, IdentityColumnsAreListedAndFilledAsDeclared) {
    s_->execute("CREATE TABLE ia (id NUMBER GENERATED ALWAYS AS IDENTITY, v VARCHAR2(5))");
    s_->execute(
        "CREATE TABLE ib (id NUMBER GENERATED BY DEFAULT AS IDENTITY (START WITH 10 "
        "INCREMENT BY 5), v VARCHAR2(5))");
    s_->execute(
        "CREATE TABLE ic (id NUMBER GENERATED BY DEFAULT ON NULL AS IDENTITY, v "
        "VARCHAR2(5))");
    s_->execute("CREATE TABLE idf (id NUMBER GENERATED AS IDENTITY, v VARCHAR2(5))");
    const rows ids = lite_rows(*s_,
                               "select table_name, column_name, generation_type, sequence_name, "
                               "identity_options from user_tab_identity_cols order by table_name");
    ASSERT_EQ(ids.size(), 4u);
    const std::vector<std::string> kinds = {"ALWAYS", "BY DEFAULT", "BY DEFAULT", "ALWAYS"};
    const std::vector<std::string> tables = {"IA", "IB", "IC", "IDF"};
    for (size_t k = 0; k < ids.size(); ++k) {
        SCOPED_TRACE(tables[k]);
        EXPECT_EQ(ids[k][0], tables[k]);
        EXPECT_EQ(ids[k][1], "ID");
        EXPECT_EQ(ids[k][2], kinds[k]);
        EXPECT_EQ(ids[k][3].rfind("ISEQ$$_", 0), 0u) << ids[k][3];
        // The sequence is one the dictionary lists.
        EXPECT_EQ(lite_cell(*s_, "select count(*) from user_sequences where sequence_name = '" +
                                     ids[k][3] + "'"),
                  "1");
    }
    EXPECT_EQ(ids[1][4],
              "START WITH: 10, INCREMENT BY: 5, MAX_VALUE: 9999999999999999999999999999, "
              "MIN_VALUE: 1, CYCLE_FLAG: N, CACHE_SIZE: 20, ORDER_FLAG: N, SCALE_FLAG: N, "
              "EXTEND_FLAG: N, SESSION_FLAG: N, KEEP_VALUE: N");
    EXPECT_EQ(lite_rows(*s_,
                        "select owner, generation_type from all_tab_identity_cols where "
                        "table_name = 'IA'"),
              (rows{{"APP", "ALWAYS"}}));
    EXPECT_EQ(dba_cell("select count(*) from dba_tab_identity_cols where owner = 'APP'"), "4");
    EXPECT_EQ(lite_rows(*s_,
                        "select column_name, identity_column from user_tab_columns where "
                        "table_name = 'IA' order by column_id"),
              (rows{{"ID", "YES"}, {"V", "NO"}}));

    // ALWAYS: only the sequence gives values.
    s_->execute("INSERT INTO ia (v) VALUES ('a')");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ia (id, v) VALUES (5, 'b')"), 32795);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ia VALUES (5, 'b')"), 32795);
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ia (id, v) SELECT 7, 'c' FROM dual"), 32795);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE ia SET id = 9"), 32796);
    EXPECT_EQ(lite_fails_with(*s_, "UPDATE ia SET (v, id) = (SELECT 'x', 1 FROM dual)"), 32796);
    s_->execute("UPDATE ia SET v = 'z'");
    EXPECT_EQ(lite_rows(*s_, "select id, v from ia"), (rows{{"1", "z"}}));
    try {
        s_->execute("INSERT INTO idf (id, v) VALUES (1, 'x')");
        ADD_FAILURE() << "a value went into a generated always identity column";
    } catch (const lite_error& e) {
        EXPECT_STREQ(e.what(), "ORA-32795: cannot insert into a generated always identity column");
    }

    // BY DEFAULT: a value given is kept, a NULL refused.
    s_->execute("INSERT INTO ib (v) VALUES ('a')");
    s_->execute("INSERT INTO ib (id, v) VALUES (3, 'b')");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ib (id, v) VALUES (NULL, 'c')"), 1400);
    s_->execute("UPDATE ib SET id = id + 100 WHERE v = 'b'");
    EXPECT_EQ(lite_rows(*s_, "select id, v from ib order by id"),
              (rows{{"10", "a"}, {"103", "b"}}));

    // BY DEFAULT ON NULL: a NULL given takes the next number, in VALUES and from a query.
    s_->execute("INSERT INTO ic (id, v) VALUES (NULL, 'a')");
    s_->execute("INSERT INTO ic (id, v) VALUES (50, 'b')");
    s_->execute("INSERT INTO ic (id, v) SELECT NULL, 'c' FROM dual");
    s_->execute("INSERT INTO ic (v) VALUES ('d')");
    EXPECT_EQ(lite_rows(*s_, "select id, v from ic order by v"),
              (rows{{"1", "a"}, {"50", "b"}, {"2", "c"}, {"3", "d"}}));
    // Also when a row trigger fires on the insert.
    s_->execute(
        "CREATE TRIGGER ic_up BEFORE INSERT ON ic FOR EACH ROW BEGIN :new.v := "
        "upper(:new.v); END;");
    s_->execute("INSERT INTO ic (id, v) VALUES (NULL, 'e')");
    EXPECT_EQ(lite_cell(*s_, "select id from ic where v = 'E'"), "4");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO ia (id, v) VALUES (NULL, 'q')"), 32795);

    // A column made identity later, or no longer one, reads as such.
    s_->execute("CREATE TABLE il (id NUMBER, v VARCHAR2(5))");
    s_->execute("ALTER TABLE il MODIFY id GENERATED BY DEFAULT AS IDENTITY");
    EXPECT_EQ(lite_cell(*s_,
                        "select generation_type from user_tab_identity_cols where table_name = "
                        "'IL'"),
              "BY DEFAULT");
    s_->execute("ALTER TABLE il MODIFY id DROP IDENTITY");
    EXPECT_EQ(lite_cell(*s_, "select count(*) from user_tab_identity_cols where table_name = 'IL'"),
              "0");
    s_->execute("INSERT INTO il (id, v) VALUES (4, 'x')");
}

TEST_F(LiteCatalogueKinds, ConstraintStatesAreShownAsDeclared) {
    s_->execute(
        "CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY DEFERRABLE INITIALLY DEFERRED)");
    s_->execute("INSERT INTO p VALUES (1)");
    s_->execute(
        "CREATE TABLE c (pid NUMBER CONSTRAINT c_nn NOT NULL DEFERRABLE, "
        "amt NUMBER CONSTRAINT c_ck CHECK (amt > 0) DISABLE, "
        "CONSTRAINT c_fk FOREIGN KEY (pid) REFERENCES p (id) INITIALLY DEFERRED, "
        "CONSTRAINT c_uq UNIQUE (amt) NOT DEFERRABLE INITIALLY IMMEDIATE DISABLE VALIDATE)");
    s_->execute("INSERT INTO c VALUES (1, 5)");
    s_->execute("INSERT INTO c VALUES (1, -5)");
    const std::string states =
        "select constraint_name, status, deferrable, deferred, validated from user_constraints "
        "where table_name in ('P', 'C') order by constraint_name";
    EXPECT_EQ(lite_rows(*s_, states),
              (rows{{"C_CK", "DISABLED", "NOT DEFERRABLE", "IMMEDIATE", "NOT VALIDATED"},
                    {"C_FK", "ENABLED", "DEFERRABLE", "DEFERRED", "VALIDATED"},
                    {"C_NN", "ENABLED", "DEFERRABLE", "IMMEDIATE", "VALIDATED"},
                    {"C_UQ", "DISABLED", "NOT DEFERRABLE", "IMMEDIATE", "VALIDATED"},
                    {"P_PK", "ENABLED", "DEFERRABLE", "DEFERRED", "VALIDATED"}}));
    EXPECT_EQ(lite_fails_with(*s_,
                              "CREATE TABLE x (a NUMBER PRIMARY KEY NOT DEFERRABLE INITIALLY "
                              "DEFERRED)"),
              2447);

    // NOVALIDATE enables a constraint without checking the rows already there.
    s_->execute("ALTER TABLE c DISABLE CONSTRAINT c_fk");
    EXPECT_EQ(
        lite_cell(*s_, "select validated from user_constraints where constraint_name = 'C_FK'"),
        "NOT VALIDATED");
    s_->execute("INSERT INTO c VALUES (7, 1)");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE c ENABLE CONSTRAINT c_fk"), 2298);
    s_->execute("ALTER TABLE c ENABLE NOVALIDATE CONSTRAINT c_fk");
    EXPECT_EQ(lite_rows(*s_,
                        "select status, deferrable, validated from all_constraints where "
                        "constraint_name = 'C_FK'"),
              (rows{{"ENABLED", "DEFERRABLE", "NOT VALIDATED"}}));
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO c VALUES (8, 2)"), 2291);
    s_->execute("ALTER TABLE c MODIFY CONSTRAINT c_ck ENABLE NOVALIDATE");
    EXPECT_EQ(dba_cell("select validated from dba_constraints where constraint_name = 'C_CK'"),
              "NOT VALIDATED");
    EXPECT_EQ(lite_fails_with(*s_, "INSERT INTO c VALUES (1, -6)"), 2290);
    // The rows kept unchecked stay so through a rebuild, and the other checks still hold.
    s_->execute("ALTER TABLE c ADD (note VARCHAR2(5))");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE c ADD CONSTRAINT c_pos CHECK (pid > 1)"), 2293);
    EXPECT_EQ(lite_cell(*s_, "select count(*) from c where amt < 0"), "1");
    EXPECT_EQ(lite_fails_with(*s_, "ALTER TABLE c MODIFY CONSTRAINT c_ck ENABLE VALIDATE"), 2293);
    s_->execute("DELETE FROM c WHERE amt < 0");
    s_->execute("ALTER TABLE c MODIFY CONSTRAINT c_ck ENABLE");
    EXPECT_EQ(dba_cell("select validated from dba_constraints where constraint_name = 'C_CK'"),
              "VALIDATED");
}

// An instance made before constraint states and identity kinds were kept gets them at logon;
// what it held reads as it behaved then.
TEST(LiteCatalogueKindsUpgrade, AnOlderInstanceKeepsItsConstraintsAndIdentities) {
    lite_scratch inst;
    {
        std::unique_ptr<lite_session> s = inst.logon();
        s->execute(
            "CREATE TABLE p (id NUMBER CONSTRAINT p_pk PRIMARY KEY, "
            "n NUMBER CONSTRAINT p_ck CHECK (n > 0) DISABLE)");
        s->execute("CREATE TABLE old_id (id NUMBER GENERATED ALWAYS AS IDENTITY, v NUMBER)");
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((inst.dir() + "/dictionary.db").c_str(), &db), SQLITE_OK);
    for (const char* c :
         {"CONSTRAINTS DROP COLUMN \"DEFERRABLE\"", "CONSTRAINTS DROP COLUMN \"DEFERRED\"",
          "CONSTRAINTS DROP COLUMN VALIDATED", "COLUMNS DROP COLUMN IDENTITY_GENERATION",
          "COLUMNS DROP COLUMN IDENTITY_OPTIONS"}) {
        EXPECT_EQ(
            sqlite3_exec(db, (std::string("ALTER TABLE ") + c).c_str(), nullptr, nullptr, nullptr),
            SQLITE_OK)
            << sqlite3_errmsg(db);
    }
    sqlite3_close(db);
    std::unique_ptr<lite_session> s = inst.logon();
    s->execute("ALTER TABLE p ADD CONSTRAINT p_uq UNIQUE (n) DEFERRABLE");
    EXPECT_EQ(lite_rows(*s,
                        "select constraint_name, deferrable, deferred, validated from "
                        "user_constraints where table_name = 'P' order by constraint_name"),
              (rows{{"P_CK", "NOT DEFERRABLE", "IMMEDIATE", "NOT VALIDATED"},
                    {"P_PK", "NOT DEFERRABLE", "IMMEDIATE", "VALIDATED"},
                    {"P_UQ", "DEFERRABLE", "IMMEDIATE", "VALIDATED"}}));
    s->execute("INSERT INTO old_id (id, v) VALUES (7, 1)");
    s->execute("CREATE TABLE new_id (id NUMBER GENERATED ALWAYS AS IDENTITY, v NUMBER)");
    EXPECT_EQ(lite_fails_with(*s, "INSERT INTO new_id (id, v) VALUES (7, 1)"), 32795);
    EXPECT_EQ(lite_rows(*s,
                        "select table_name, generation_type from user_tab_identity_cols order "
                        "by table_name"),
              (rows{{"NEW_ID", "ALWAYS"}, {"OLD_ID", "BY DEFAULT"}}));
}

}  // namespace
