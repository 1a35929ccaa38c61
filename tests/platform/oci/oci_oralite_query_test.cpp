// `oralite query` end to end: the rows a statement prints through the interface.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "platform/oci/oci_test_helpers.h"

namespace {

const std::string kOralite = std::string(TW_BINARY_DIR) + "/bin/oralite";

struct result {
    int status = -1;
    std::string out;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

result run_query(const std::string& dir, const std::string& sql) {
    result r;
    const std::string cmd =
        quoted(kOralite) + " query " + quoted(dir) + " SCOTT tiger " + quoted(sql) + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
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
    ASSERT_EQ(OCIBindByPos(st, &b, c.err, 1, bytes.data(), static_cast<sb4>(bytes.size()), SQLT_LBI,
                           nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT),
              OCI_SUCCESS);
    ASSERT_EQ(OCIStmtExecute(c.svc, st, c.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS),
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

}  // namespace
