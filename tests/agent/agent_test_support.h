// QUILLRUN as a separate process for the agent's tests: the embedded instance DEMO under a home
// of the test's own, a settings folder, and the program run to its end or started and watched
// while it runs (for faults injected mid-run).
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_test_support.h"
#include "SQL/sql_test_env.h"

class tabshift_convertor;

struct agent_result {
    int status = -100;
    std::string out, err;
};

// A running QUILLRUN: its process id and where its output goes.
struct agent_process {
    pid_t pid = 0;
    std::string out_path, err_path;
};

class agent_test : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Runs the program to its end.
    agent_result run(const std::vector<std::string>& args);
    // Starts the program and returns at once (pid 0 when it could not start).
    agent_process start(const std::vector<std::string>& args);
    // Waits for the started program's end and collects its status and output.
    agent_result finish(const agent_process& process);
    // Waits at most `seconds` for the started program's end; false (and nothing collected) when
    // it still runs then.
    bool finish_within(const agent_process& process, int seconds, agent_result& result);
    // What the started program wrote to standard output so far.
    std::string output_so_far(const agent_process& process) const;

    // The demo source into database `db` of the shared server, or of `server` when given.
    std::vector<std::string> server_args(const std::string& db,
                                         const test_server* server = nullptr);
    // The arguments with another MySQL user and password.
    static std::vector<std::string> as_user(std::vector<std::string> args, const std::string& user,
                                            const std::string& password);
    // A profile at `path` of a dump conversion of DEMO's CATEGORIES into `dump`, with the source
    // named `source`; `adjust` may change the converter before it is stored.
    static bool store_categories_profile(
        const std::string& path, const std::string& dump, const std::wstring& source,
        const std::function<void(tabshift_convertor&)>& adjust = {});
    // A database name of this test, dropped from the shared server at the end.
    std::string new_database(const char* stem);
    // The result of one query on the shared server, without its final line ends.
    std::string server_value(const std::string& sql);

    static inline std::unique_ptr<ora_test_instance> s_demo;
    std::string work;
    std::vector<std::string> databases;
};
