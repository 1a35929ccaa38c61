// QUILLRUN against a server that fails under it: frozen, gone, or refusing.  These tests freeze
// and reconfigure a server of their own, so that the suite's shared server stays as it was.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "agent/agent_test_support.h"

namespace {

class agent_fault_test : public agent_test {
protected:
    static void SetUpTestSuite() {
        agent_test::SetUpTestSuite();
        s_server = std::make_unique<private_test_server>("tw_faults_");
    }
    static void TearDownTestSuite() {
        s_server.reset();
        agent_test::TearDownTestSuite();
    }
    void SetUp() override {
        agent_test::SetUp();
        REQUIRE_SERVER(s_server->facts);
    }
    void TearDown() override {
        s_server->resume();
        unsetenv("TIDEWELL_MYSQL_TIMEOUT");
        agent_test::TearDown();
    }

    // Waits until the started program has written `text` (false when it ended or 20 s passed).
    bool wait_for_output(const agent_process& process, const std::string& text) {
        for (int i = 0; i < 2000; ++i) {
            if (output_so_far(process).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    static inline std::unique_ptr<private_test_server> s_server;
};

// Also: a password is taken as given, blanks and all, and neither password stays readable in the
// process list while the run goes on.
TEST_F(agent_fault_test, a_server_that_stops_answering_ends_the_run_in_bounded_time) {
    setenv("TIDEWELL_MYSQL_TIMEOUT", "1", 1);
    std::string out;
    ASSERT_EQ(s_server->sql("create or replace user 'padded'@'127.0.0.1' identified by ' pad '; "
                            "grant all on *.* to 'padded'@'127.0.0.1'",
                            out),
              0)
        << out;
    const agent_process process =
        start(as_user(server_args("frozen", &s_server->facts), "padded", " pad "));
    ASSERT_GT(process.pid, 0);
    ASSERT_TRUE(wait_for_output(process, "Converting database")) << output_so_far(process);
    s_server->pause();
    const std::string command_line = read_file("/proc/" + std::to_string(process.pid) + "/cmdline");
    EXPECT_NE(command_line.find("--mysqlu=padded"), std::string::npos);
    EXPECT_EQ(command_line.find(" pad "), std::string::npos);
    EXPECT_EQ(command_line.find("--oraclp=demo"), std::string::npos);
    agent_result r;
    const bool ended = finish_within(process, 60, r);
    s_server->resume();
    if (!ended) {
        ::kill(process.pid, SIGKILL);
        r = finish(process);
        FAIL() << "the run still waited for the frozen server:\n" << r.out;
    }
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("The connection to the MySQL server was lost"), std::string::npos)
        << r.out;
}

TEST_F(agent_fault_test, later_tables_reconnect_once_the_server_answers_again) {
    setenv("TIDEWELL_MYSQL_TIMEOUT", "1", 1);
    const std::string db = "back_" + std::to_string(::getpid());
    const agent_process process = start(server_args(db, &s_server->facts));
    ASSERT_GT(process.pid, 0);
    ASSERT_TRUE(wait_for_output(process, "Converting database"));
    s_server->pause();
    const bool lost = wait_for_output(process, "Error:");
    s_server->resume();
    agent_result r;
    if (!finish_within(process, 60, r)) {
        ::kill(process.pid, SIGKILL);
        r = finish(process);
        FAIL() << "the run did not end:\n" << r.out;
    }
    ASSERT_TRUE(lost) << r.out;
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out.find("Transferred value is too big"), std::string::npos) << r.out;
    // The last table starts long after the server is back: it is converted whole.
    EXPECT_EQ(s_server->value("select count(*) from `" + db + "`.PRODUCT_NOTES"), "50") << r.out;
    std::string out;
    s_server->sql("drop database if exists `" + db + "`", out);
}

}  // namespace
