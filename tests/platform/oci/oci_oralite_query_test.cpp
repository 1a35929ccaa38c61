// `oralite query` end to end: the rows a statement prints through the interface.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/oralite/lite_test_helpers.h"
#include "platform/oci/oci_test_helpers.h"

namespace {

const std::string kOralite = std::string(TW_BINARY_DIR) + "/bin/oralite";

using result = oralite_result;

result run_query(const std::string& dir, const std::string& sql) {
    return run_oralite({"query", dir, "SCOTT", "tiger", sql});
}

class OraliteQuery : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kOralite)) GTEST_SKIP() << kOralite << " is not built";
        oci_conn c;
        ASSERT_EQ(c.logon(inst_.dir(), "SCOTT", "tiger"), OCI_SUCCESS) << c.error_text();
        c.must_run(
            {"CREATE TABLE T (ID NUMBER(3), NAME VARCHAR2(20), D DATE, TS TIMESTAMP(6), "
             "R RAW(4), C CLOB, B BLOB)",
             "INSERT INTO T VALUES (1, 'tab\there', TO_DATE('2020-01-02 03:04:05', "
             "'YYYY-MM-DD HH24:MI:SS'), TO_TIMESTAMP('2020-01-02 03:04:05.25', "
             "'YYYY-MM-DD HH24:MI:SS.FF2'), HEXTORAW('0AFF'), 'clob ü', HEXTORAW('00FF'))",
             "INSERT INTO T (ID) VALUES (2)"});
    }
    scratch_instance inst_{"SCOTT", "tiger"};
};

TEST_F(OraliteQuery, PrintsRowsTabSeparated) {
    const result r = run_query(inst_.dir(), "SELECT * FROM T ORDER BY ID");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out,
              "1\ttab\\there\t2020-01-02 03:04:05\t2020-01-02 03:04:05.25\t0AFF\tclob ü\t00FF\n"
              "2\t\t\t\t\t\t\n");
}

TEST_F(OraliteQuery, LongRawPrintsWhole) {
    oci_conn c;
    ASSERT_EQ(c.logon(inst_.dir(), "SCOTT", "tiger"), OCI_SUCCESS);
    c.must_run({"CREATE TABLE L (LR LONG RAW)"});
    std::vector<unsigned char> bytes(70000, 0xAB);
    bytes.back() = 0x01;
    OCIStmt* st = c.new_stmt("INSERT INTO L VALUES (:1)");
    OCIBind* b = nullptr;
    ASSERT_EQ(lite_OCIBindByPos(st, &b, c.err, 1, bytes.data(), static_cast<sb4>(bytes.size()),
                                SQLT_LBI, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(lite_OCIStmtExecute(c.svc, st, c.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
              OCI_SUCCESS)
        << c.error_text();
    std::string hex;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) hex += "AB";
    const result r = run_query(inst_.dir(), "SELECT LR FROM L");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, hex + "01\n") << "more bytes than a ub2 length can tell";
}

TEST_F(OraliteQuery, RunsAndCommitsOtherStatements) {
    EXPECT_EQ(run_query(inst_.dir(), "DELETE FROM T WHERE ID = 2").status, 0);
    EXPECT_EQ(run_query(inst_.dir(), "SELECT COUNT(*) FROM T").out, "1\n");
}

TEST_F(OraliteQuery, ReportsOracleErrors) {
    const result r = run_query(inst_.dir(), "SELECT * FROM NOWHERE");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("ORA-00942: ", 0), 0u) << r.out;
    const result u = run_query("/no/such/instance/dir", "SELECT 1 FROM DUAL");
    EXPECT_EQ(u.status, 1);
    EXPECT_EQ(u.out.rfind("ORA-12154: ", 0), 0u) << u.out;
}

// The human-resources sample loaded by the tool and asked the dictionary statements of the
// Oracle reader through `oralite query`.
TEST(OraliteQueryHr, CatalogueOfTheSampleSchema) {
    const std::string samples = std::string(TW_SHARED_DIR) + "/oracle-samples/human_resources";
    if (!std::filesystem::exists(kOralite)) GTEST_SKIP() << kOralite << " is not built";
    if (!std::filesystem::exists(samples + "/hr_create.sql")) {
        GTEST_SKIP() << "the human-resources sample is not in " << samples
                     << " (TW_SHARED_DIR/oracle-samples); the tool is not tried on it";
    }
    const std::string dir =
        (std::filesystem::temp_directory_path() / ("oci_oralite_hr_" + std::to_string(getpid())))
            .string();
    std::filesystem::remove_all(dir);
    struct remover {
        const std::string& dir;
        ~remover() {
            std::error_code ec;
            std::filesystem::remove_all(dir, ec);
        }
    } cleanup{dir};
    ASSERT_EQ(run_oralite({"create", dir}).status, 0);
    ASSERT_EQ(run_oralite({"user", dir, "HR", "hr"}).status, 0);
    const result load = run_oralite({"run", dir, "HR", "hr", samples + "/hr_create.sql",
                                     samples + "/hr_populate.sql", samples + "/hr_code.sql"});
    EXPECT_EQ(load.status, 0) << load.out;
    // The procedures and triggers are warnings, never failures.
    EXPECT_NE(load.out.find("warning: "), std::string::npos) << load.out;
    EXPECT_EQ(load.out.find("ORA-"), std::string::npos) << load.out;
    auto ask = [&](const std::string& sql) {
        const result r = run_oralite({"query", dir, "HR", "hr", sql});
        EXPECT_EQ(r.status, 0) << sql << "\n" << r.out;
        return r.out;
    };
    EXPECT_EQ(ask("select TABLE_NAME from user_tables ORDER BY 1"),
              "COUNTRIES\nDEPARTMENTS\nEMPLOYEES\nJOBS\nJOB_HISTORY\nLOCATIONS\nREGIONS\n");
    EXPECT_EQ(ask("SELECT COUNT(*) FROM \"EMPLOYEES\""), "107\n");
    EXPECT_NE(ask("SELECT DISTINCT user_indexes.index_name, user_indexes.uniqueness, "
                  "user_ind_columns.column_name FROM user_ind_columns, user_indexes where "
                  "user_ind_columns.table_name = 'EMPLOYEES' AND user_indexes.generated='N' AND "
                  "user_ind_columns.index_name = user_indexes.index_name AND "
                  "user_ind_columns.table_name = user_indexes.table_name ORDER BY "
                  "user_indexes.index_name")
                  .find("EMP_EMAIL_UK\tUNIQUE\tEMAIL\n"),
              std::string::npos);
    EXPECT_EQ(ask("select a.TABLE_NAME,a.CONSTRAINT_NAME,a.DELETE_RULE,b.COLUMN_NAME FROM "
                  "USER_CONSTRAINTS a, USER_CONS_COLUMNS b WHERE "
                  "a.CONSTRAINT_NAME=b.CONSTRAINT_NAME and a.CONSTRAINT_TYPE='R' and "
                  "a.R_CONSTRAINT_NAME='DEPT_ID_PK' ORDER BY 1"),
              "EMPLOYEES\tEMP_DEPT_FK\tNO ACTION\tDEPARTMENT_ID\n"
              "JOB_HISTORY\tJHIST_DEPT_FK\tNO ACTION\tDEPARTMENT_ID\n");
    EXPECT_EQ(ask("select COLUMN_NAME, COMMENTS from USER_COL_COMMENTS where table_name = "
                  "'REGIONS' ORDER BY 1"),
              "REGION_ID\tPrimary key of regions table.\nREGION_NAME\tNames of regions. "
              "Locations are in the countries of these regions.\n");
    EXPECT_EQ(ask("select VIEW_NAME from SYS.USER_VIEWS"), "EMP_DETAILS_VIEW\n");
}

}  // namespace
