// QUILLRUN run as a user runs it: a separate process with its command line, its console output and
// its exit status, against embedded Oracle instances and the private MariaDB server.  Shared by
// the agent's test files.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_test_support.h"
#include "SQL/sql_test_env.h"
#include "TK/tk_utils.h"
#include "converter/tabshift_convertor.h"

extern char** environ;

struct agent_result {
    int status = -100;
    std::string out, err;
};

// The embedded instance DEMO under a home of its own, the settings folder, and the agent's
// process with that environment.
class agent_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_demo = make_demo_instance(); }
    static void TearDownTestSuite() { s_demo.reset(); }

    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "agent_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        work = pattern;
        // The instance is reached by its service name through the home folder.
        std::filesystem::create_directories(work + "/home");
        std::filesystem::create_symlink(s_demo->dir(), work + "/home/DEMO");
        setenv("ORALITE_HOME", (work + "/home").c_str(), 1);
        setenv("TIDEWELL_CONFIG_HOME", (work + "/config").c_str(), 1);
    }
    void TearDown() override {
        if (get_test_server().available) {
            std::string out;
            for (const std::string& db : databases)
                run_client_sql("drop database if exists `" + db + "`", out);
        }
        std::error_code ec;
        std::filesystem::remove_all(work, ec);
    }

    agent_result run(const std::vector<std::string>& args) {
        const std::string program = std::string(TW_BINARY_DIR) + "/bin/QUILLRUN";
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string out = work + "/out.txt", err = work + "/err.txt";
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = 0;
        agent_result result;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int wstatus = 0;
            waitpid(pid, &wstatus, 0);
            result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1000;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = read_file(out);
        result.err = read_file(err);
        return result;
    }

    std::vector<std::string> server_args(const std::string& db) {
        const test_server& s = get_test_server();
        return {
            "--src=DEMO",         "--oraclu=DEMO",          "--oraclp=demo",
            "--view_owned",       "--dest=" + db,           "--mysqlh=" + s.host,
            "--mysqlu=" + s.user, "--mysqlp=" + s.password, "--myport=" + std::to_string(s.port)};
    }

    // A profile at `path` of a dump conversion of DEMO's CATEGORIES into `dump`, with the source
    // named `source`; `adjust` may change the converter before it is stored.
    bool store_categories_profile(const std::string& path, const std::string& dump,
                                  const std::wstring& source,
                                  const std::function<void(tabshift_convertor&)>& adjust = {}) {
        tabshift_convertor conv;
        conv.m_source_name = source;
        conv.m_destination_name = tk_to_unicode(dump);
        conv.mysql_direct = false;
        conv.oracle_engine.b_owned_by_user = true;
        conv.store_oracle_settings(L"", L"DEMO", L"demo", L"");
        conv.selected_tables = {L"CATEGORIES"};
        if (adjust) adjust(conv);
        return conv.store_profile_file(tk_to_unicode(path));
    }

    std::string new_database(const char* stem) {
        databases.push_back(unique_db_name(stem));
        return databases.back();
    }

    std::string server_value(const std::string& sql) {
        std::string out;
        EXPECT_EQ(run_client_sql(sql, out), 0) << out;
        while (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    static inline std::unique_ptr<ora_test_instance> s_demo;
    std::string work;
    std::vector<std::string> databases;
};
