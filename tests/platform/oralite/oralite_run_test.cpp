// `oralite run` end to end: scripts for current Oracle releases, the exit status, and two loads
// doing DDL on one instance at once.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lite_test_helpers.h"
#include "test_sanitizer.h"

namespace {

namespace fs = std::filesystem;

const std::string kOralite = std::string(TW_BINARY_DIR) + "/bin/oralite";

using result = oralite_result;

class OraliteRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kOralite)) GTEST_SKIP() << kOralite << " is not built";
    }
    std::string write(const std::string& name, const std::string& text) {
        std::string path = inst_.dir() + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
    lite_scratch inst_{"APP", "app"};
};

TEST_F(OraliteRun, AScriptForCurrentReleasesLoadsCleanly) {
    const std::string script = TW_SOURCE_DIR "/tests/platform/oralite/data/retail_19c.sql";
    result r = run_oralite({"run", inst_.dir(), "APP", "app", script});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "") << "no error, no warning";
    auto s = inst_.logon();
    EXPECT_EQ(
        lite_rows(*s,
                  "select store_name, rank_in_region, share from store_ranking order by "
                  "region_name, rank_in_region"),
        (std::vector<std::vector<std::string>>{
            {"Harbour", "1", ".3256"}, {"Old Town", "2", ".1709"}, {"Riverside", "1", ".5035"}}));
    EXPECT_EQ(lite_rows(*s, "select * from region_stores order by 1"),
              (std::vector<std::vector<std::string>>{{"North", "Harbour, Old Town"},
                                                     {"South", "Airport, Riverside"}}));
    EXPECT_EQ(lite_rows(*s,
                        "select region_name, sale_year, total, grouping_level from "
                        "sales_by_year where grouping_level > 0 order by grouping_level, 1"),
              (std::vector<std::vector<std::string>>{{"North", "<null>", "305.75", "1"},
                                                     {"South", "<null>", "310", "1"},
                                                     {"<null>", "<null>", "615.75", "3"}}));
    EXPECT_EQ(lite_rows(*s,
                        "select table_name, comments from user_tab_comments where table_type "
                        "= 'VIEW' order by 1"),
              (std::vector<std::vector<std::string>>{
                  {"REGION_STORES", "The stores of each region, by name"},
                  {"SALES_BY_YEAR", "Sales by region and year, with subtotals"},
                  {"STORE_RANKING", "Stores ranked by their sales within the region"}}));
    EXPECT_EQ(lite_cell(*s,
                        "select comments from user_col_comments where table_name = "
                        "'STORE_RANKING' and column_name = 'SHARE'"),
              "Share of all sales, four decimals");
    // Identity keys numbered on from the highest loaded value.
    EXPECT_EQ(lite_cell(*s, "select store_id from stores where store_name = 'Airport'"), "21");
    EXPECT_EQ(lite_cell(*s, "select max(sale_id) from sales"), "6");
    EXPECT_EQ(lite_cell(*s,
                        "select identity_column from user_tab_columns where table_name = "
                        "'STORES' and column_name = 'STORE_ID'"),
              "YES");
    EXPECT_EQ(lite_fails_with(*s,
                              "INSERT INTO stores (region_id, store_name, profile) VALUES "
                              "(1, 'Bad', '{not json')"),
              2290);
}

TEST_F(OraliteRun, FailuresAreReportedTheRestRunsAndTheStatusTells) {
    std::string path = write("mixed.sql",
                             "CREATE TABLE t (a NUMBER);\n"
                             "INSERT INTO nosuch VALUES (1);\n"
                             "INSERT INTO t VALUES (:unbound);\n"
                             "INSERT INTO t VALUES (1);\n");
    result r = run_oralite({"run", inst_.dir(), "APP", "app", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, path + ":2: ORA-00942: table or view does not exist\n" + path +
                         ":3: ORA-01008: not all variables bound\n");
    auto s = inst_.logon();
    EXPECT_EQ(lite_cell(*s, "select count(*) from t"), "1");
    std::string stop = write("stop.sql",
                             "WHENEVER SQLERROR EXIT 7\n"
                             "INSERT INTO t VALUES (2);\n"
                             "INSERT INTO nosuch VALUES (1);\n"
                             "INSERT INTO t VALUES (3);\n");
    r = run_oralite({"run", inst_.dir(), "APP", "app", stop});
    EXPECT_EQ(r.status, 7) << r.out;
    EXPECT_EQ(lite_cell(*s, "select count(*) from t"), "1");
}

TEST_F(OraliteRun, TwoLoadsDoingDdlWaitForEachOther) {
    lite_instance::add_user(inst_.dir(), "OTHER", "other");
    auto script = [&](const std::string& name, const std::string& tail) {
        std::string text;
        for (int i = 0; i < 25; ++i) {
            std::string t = "t" + std::to_string(i);
            text += "CREATE TABLE " + t + " (id NUMBER PRIMARY KEY, v VARCHAR2(20));\n";
            for (int k = 0; k < 5; ++k) {
                text += "INSERT INTO " + t + " VALUES (" + std::to_string(k) + ", 'v');\n";
            }
            text += "CREATE SEQUENCE s" + std::to_string(i) + ";\n";
            text +=
                "INSERT INTO " + t + " VALUES (s" + std::to_string(i) + ".nextval + 10, 's');\n";
            text += "CREATE INDEX " + t + "_v ON " + t + " (v);\n";
        }
        return write(name, text + tail);
    };
    std::string a = script("a.sql", ""), b = script("b.sql", "GRANT SELECT ON t24 TO app;\n");
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(kOralite.c_str(), kOralite.c_str(), "run", inst_.dir().c_str(), "APP", "app",
              a.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    result mine = run_oralite({"run", inst_.dir(), "OTHER", "other", b});
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_EQ(mine.status, 0) << mine.out;
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    auto s = inst_.logon();
    EXPECT_EQ(lite_cell(*s, "select count(*) from user_tables"), "25");
    EXPECT_EQ(lite_cell(*s, "select count(*) from other.t24"), "6");
}

// The peak memory of a child `oralite run` loading a script, in KiB.
long peak_rss_of_run(const std::string& dir, const std::string& script) {
    pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        execl(kOralite.c_str(), "oralite", "run", dir.c_str(), "APP", "app", script.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage ru {};
    if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return ru.ru_maxrss;
}

// A script is read as it runs: its size does not decide the memory a load needs.
TEST_F(OraliteRun, ALargeScriptLoadsInBoundedMemory) {
    auto script_of = [&](const std::string& name, int rows) {
        std::string path = inst_.dir() + "/" + name;
        std::ofstream f(path);
        f << "CREATE TABLE " << name.substr(0, 2) << " (id NUMBER, name VARCHAR2(40));\n";
        for (int i = 0; i < rows; ++i) {
            f << "INSERT INTO " << name.substr(0, 2) << " VALUES (" << i << ", 'row number " << i
              << "');\n";
        }
        return path;
    };
    long small = peak_rss_of_run(inst_.dir(), script_of("s1.sql", 20000));
    long large = peak_rss_of_run(inst_.dir(), script_of("l1.sql", 200000));
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    // Under AddressSanitizer the shadow memory and the freed-memory quarantine dwarf the
    // engine's own: only the ratio below says anything there.
    if (!k_address_sanitizer) {
        EXPECT_LT(large, 100L * 1024) << "KiB at the peak";
    }
    // Ten times the script, not ten times the memory.
    EXPECT_LT(large, small * 2) << small << " KiB for 20,000 rows, " << large << " for 200,000";
    auto s = inst_.logon();
    EXPECT_EQ(lite_cell(*s, "select count(*) from l1"), "200000");
}

TEST_F(OraliteRun, QueryTakesARelativeInstancePath) {
    fs::path dir(inst_.dir());
    fs::path cwd = fs::current_path();
    fs::current_path(dir.parent_path());
    result r = run_oralite({"query", dir.filename().string(), "APP", "app", "select 1 from dual"});
    fs::current_path(cwd);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "1\n");
}

}  // namespace
