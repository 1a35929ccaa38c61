// QUILLRUN ended from outside half-way: a termination signal in the middle of a dump, and a
// server killed in the middle of a live run.  Neither may leave a half-written result behind
// that looks whole, nor end with the status of a run that did everything.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "agent/agent_test_support.h"
#include "converter/tabshift_convertor.h"

namespace {

// A query the demo turns into hundreds of thousands of rows: long enough to be interrupted.
constexpr const wchar_t* k_many_rows =
    L"SELECT a.customer_id, b.product_id, c.category_id FROM customers a, products b, "
    L"categories c";

class agent_interrupt_test : public agent_test {
protected:
    // Waits until `done` holds (false when the program ended first or 20 s passed).
    template <class Condition>
    bool wait_until(const agent_process& process, Condition done) {
        for (int i = 0; i < 2000; ++i) {
            if (done()) return true;
            if (::kill(process.pid, 0) != 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

TEST_F(agent_interrupt_test, a_dump_ended_by_sigterm_leaves_the_previous_file_whole) {
    const std::string dump = work + "/big.sql";
    const std::string previous = "-- the previous dump\n";
    std::ofstream(dump, std::ios::binary) << previous;
    const std::string profile = work + "/big.kvt";
    ASSERT_TRUE(store_categories_profile(profile, dump, L"DEMO", [](tabshift_convertor& conv) {
        conv.selected_tables.clear();
        conv.table_jobs = {{L"BIG", k_many_rows}};
    }));
    const agent_process process = start({"--profile=" + profile});
    ASSERT_GT(process.pid, 0);
    ASSERT_TRUE(wait_until(process, [&] {
        return output_so_far(process).find("Converting table 'BIG'") != std::string::npos &&
               std::filesystem::exists(dump + ".part") &&
               std::filesystem::file_size(dump + ".part") > 0;
    })) << output_so_far(process);
    ::kill(process.pid, SIGTERM);
    const agent_result r = finish(process);
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_EQ(read_file(dump), previous);
    EXPECT_FALSE(std::filesystem::exists(dump + ".part"));
}

TEST_F(agent_interrupt_test, a_killed_server_ends_the_run_at_once_with_the_loss_told) {
    private_test_server server("tw_killed_");
    REQUIRE_SERVER(server.facts);
    const std::string profile = work + "/live.kvt";
    const test_server& facts = server.facts;
    ASSERT_TRUE(store_categories_profile(profile, "", L"DEMO", [&](tabshift_convertor& conv) {
        conv.selected_tables.clear();
        conv.table_jobs = {{L"BIG", k_many_rows}};
        conv.mysql_direct = true;
        conv.m_destination_name = L"killed";
        conv.store_mysql_settings(facts.host, facts.user, facts.password,
                                  std::to_string(facts.port));
    }));
    const agent_process process = start({"--profile=" + profile});
    ASSERT_GT(process.pid, 0);
    ASSERT_TRUE(wait_until(process, [&] {
        return output_so_far(process).find("Converting table 'BIG'") != std::string::npos;
    })) << output_so_far(process);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_GT(server.pid(), 0);
    ::kill(server.pid(), SIGKILL);
    const auto killed = std::chrono::steady_clock::now();
    agent_result r;
    if (!finish_within(process, 60, r)) {
        ::kill(process.pid, SIGKILL);
        r = finish(process);
        FAIL() << "the run did not notice the server had gone:\n" << r.out;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - killed, std::chrono::seconds(30));
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("The connection to the MySQL server was lost"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("were not confirmed written"), std::string::npos) << r.out;
}

}  // namespace
