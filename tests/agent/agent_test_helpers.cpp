#include "agent/agent_test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "TK/tk_utils.h"
#include "converter/tabshift_convertor.h"

extern char** environ;

void agent_test::SetUpTestSuite() {
    s_demo = make_demo_instance();
}

void agent_test::TearDownTestSuite() {
    s_demo.reset();
}

void agent_test::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "agent_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    work = pattern;
    // The instance is reached by its service name through the home folder.
    std::filesystem::create_directories(work + "/home");
    std::filesystem::create_symlink(s_demo->dir(), work + "/home/DEMO");
    setenv("ORALITE_HOME", (work + "/home").c_str(), 1);
    setenv("TIDEWELL_CONFIG_HOME", (work + "/config").c_str(), 1);
}

void agent_test::TearDown() {
    if (get_test_server().available) {
        std::string out;
        for (const std::string& db : databases)
            run_client_sql("drop database if exists `" + db + "`", out);
    }
    std::error_code ec;
    std::filesystem::remove_all(work, ec);
}

agent_process agent_test::start(const std::vector<std::string>& args) {
    const std::string program = std::string(TW_BINARY_DIR) + "/bin/QUILLRUN";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    agent_process process;
    process.out_path = work + "/out.txt";
    process.err_path = work + "/err.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, process.out_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, process.err_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&process.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        process.pid = 0;
    posix_spawn_file_actions_destroy(&actions);
    return process;
}

agent_result agent_test::finish(const agent_process& process) {
    agent_result result;
    if (process.pid > 0) {
        int wstatus = 0;
        waitpid(process.pid, &wstatus, 0);
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1000;
    }
    result.out = read_file(process.out_path);
    result.err = read_file(process.err_path);
    return result;
}

bool agent_test::finish_within(const agent_process& process, int seconds, agent_result& result) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int wstatus = 0;
        const pid_t ended = waitpid(process.pid, &wstatus, WNOHANG);
        if (ended == process.pid) {
            result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1000;
            result.out = read_file(process.out_path);
            result.err = read_file(process.err_path);
            return true;
        }
        if (ended < 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string agent_test::output_so_far(const agent_process& process) const {
    return read_file(process.out_path);
}

agent_result agent_test::run(const std::vector<std::string>& args) {
    return finish(start(args));
}

std::vector<std::string> agent_test::server_args(const std::string& db, const test_server* server) {
    const test_server& s = server ? *server : get_test_server();
    return {"--src=DEMO",         "--oraclu=DEMO",          "--oraclp=demo",
            "--view_owned",       "--dest=" + db,           "--mysqlh=" + s.host,
            "--mysqlu=" + s.user, "--mysqlp=" + s.password, "--myport=" + std::to_string(s.port)};
}

std::vector<std::string> agent_test::as_user(std::vector<std::string> args, const std::string& user,
                                             const std::string& password) {
    for (std::string& a : args) {
        if (a.rfind("--mysqlu=", 0) == 0) a = "--mysqlu=" + user;
        if (a.rfind("--mysqlp=", 0) == 0) a = "--mysqlp=" + password;
    }
    return args;
}

std::string agent_test::new_database(const char* stem) {
    databases.push_back(unique_db_name(stem));
    return databases.back();
}

std::string agent_test::server_value(const std::string& sql) {
    std::string out;
    EXPECT_EQ(run_client_sql(sql, out), 0) << out;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

bool agent_test::store_categories_profile(const std::string& path, const std::string& dump,
                                          const std::wstring& source,
                                          const std::function<void(tabshift_convertor&)>& adjust) {
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
