#include "SQL/sql_test_env.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "UDB/udb_record.h"
#include "UDB/udb_recordset.h"

void sql_engine_test::SetUp() {
    sql_engine::clear_pick_lists();
    engine = std::make_unique<sql_engine>();
}

void sql_engine_test::TearDown() {
    engine.reset();
}

test_server read_test_server(const std::string& env_path) {
    test_server s;
    std::ifstream in(env_path);
    if (!in) {
        s.reason = "no connection facts at " + env_path;
        return s;
    }
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "TW_MYSQL_HOST") s.host = value;
        if (key == "TW_MYSQL_PORT") s.port = std::atoi(value.c_str());
        if (key == "TW_MYSQL_SOCKET") s.socket = value;
        if (key == "TW_MYSQL_USER") s.user = value;
        if (key == "TW_MYSQL_PASSWORD") s.password = value;
        if (key == "TW_MYSQL_CLIENT") s.client = value;
    }
    s.available = !s.host.empty() && s.port > 0 && !s.client.empty();
    if (!s.available) s.reason = "incomplete connection facts in " + env_path;
    return s;
}

bool test_server_required() {
    const char* need = std::getenv("TW_TESTS_NEED_SERVER");
    return need != nullptr && std::string(need) == "1";
}

const test_server& get_test_server() {
    static const test_server server = [] {
        const char* override_path = std::getenv("TW_MYSQL_ENV");
        const std::string path =
            override_path ? override_path : std::string(TW_BINARY_DIR) + "/mariadb-test/env";
        if (std::ifstream(path)) return read_test_server(path);
        test_server s;
        const std::string status_path = std::string(TW_BINARY_DIR) + "/mariadb-test/status";
        std::ifstream status(status_path);
        std::string line;
        if (status && std::getline(status, line))
            s.reason = line;
        else
            s.reason = "no connection facts at " + path +
                       " (run the tests through ctest, which starts the server)";
        return s;
    }();
    return server;
}

namespace {

std::string shell_quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int run(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string client_command(const test_server& s) {
    return shell_quote(s.client) + " --no-defaults --protocol=TCP -h " + s.host + " -P " +
           std::to_string(s.port) + " -u " + shell_quote(s.user) + " " +
           shell_quote("-p" + s.password) + " --max-allowed-packet=256M";
}

}  // namespace

int run_client_file(const std::string& sql_file, const std::string& database, std::string& output) {
    std::string command = client_command(get_test_server());
    if (!database.empty()) command += " " + shell_quote(database);
    return run(command + " < " + shell_quote(sql_file), output);
}

int run_client_sql(const std::string& sql, std::string& output) {
    return run_client_sql(get_test_server(), sql, output);
}

int run_client_sql(const test_server& server, const std::string& sql, std::string& output) {
    return run(client_command(server) + " -N -B -e " + shell_quote(sql), output);
}

// ---- a server of a test's own ----------------------------------------------------------------

private_test_server::private_test_server(const std::string& stem)
    : m_dir(
          (std::filesystem::temp_directory_path() / (stem + std::to_string(::getpid()))).string()) {
    std::string out;
    const std::string script = std::string(TW_SOURCE_DIR) + "/scripts/mariadb-test-server.sh";
    if (run("bash " + shell_quote(script) + " start " + shell_quote(m_dir), out) != 0) {
        facts.reason = "private server did not start: " + out;
        return;
    }
    facts = read_test_server(m_dir + "/env");
}

private_test_server::~private_test_server() {
    resume();
    std::string out;
    const std::string script = std::string(TW_SOURCE_DIR) + "/scripts/mariadb-test-server.sh";
    run("bash " + shell_quote(script) + " stop " + shell_quote(m_dir), out);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

pid_t private_test_server::pid() const {
    std::ifstream in(m_dir + "/mysqld.pid");
    long pid = 0;
    in >> pid;
    return static_cast<pid_t>(pid);
}

void private_test_server::pause() {
    if (const pid_t p = pid(); p > 0) ::kill(p, SIGSTOP);
}

void private_test_server::resume() {
    if (const pid_t p = pid(); p > 0) ::kill(p, SIGCONT);
}

int private_test_server::sql(const std::string& statement, std::string& output) const {
    return run_client_sql(facts, statement, output);
}

std::string private_test_server::value(const std::string& statement) const {
    std::string out;
    EXPECT_EQ(sql(statement, out), 0) << out;
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string unique_db_name(const char* stem) {
    return std::string("tw_") + stem + "_" + std::to_string(::getpid());
}

namespace {

// Files the tests wrote, removed when the test program ends.
std::vector<std::string>& written_files() {
    static std::vector<std::string> files;
    static const bool registered = [] {
        std::atexit([] {
            for (const auto& f : written_files()) std::remove(f.c_str());
        });
        return true;
    }();
    (void)registered;
    return files;
}

}  // namespace

std::string test_file_path(const std::string& name) {
    std::string path =
        std::string(TW_BINARY_DIR) + "/sql-test-files/" + std::to_string(::getpid()) + "_" + name;
    std::filesystem::create_directories(std::string(TW_BINARY_DIR) + "/sql-test-files");
    std::remove(path.c_str());
    written_files().push_back(path);
    return path;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

t_ftd make_column(const std::wstring& name, int vartype, unsigned int size, bool not_null,
                  int dw_reserved) {
    return t_ftd(size, name, vartype, not_null, false, ole_variant(), dw_reserved, L"");
}

std::string query_scalar(MYSQL* handle, const std::string& sql) {
    if (mysql_real_query(handle, sql.data(), sql.size()) != 0)
        return std::string("<error: ") + mysql_error(handle) + ">";
    MYSQL_RES* result = mysql_store_result(handle);
    if (!result) return "<none>";
    MYSQL_ROW row = mysql_fetch_row(result);
    std::string value = row && row[0] ? row[0] : "<null>";
    mysql_free_result(result);
    return value;
}

void gather(std::vector<sql_record_error>& told, const std::function<void()>& step) {
    try {
        step();
    } catch (const sql_row_errors& e) {
        told.insert(told.end(), e.errors().begin(), e.errors().end());
    }
}

void append_id_name(udb_recordset& table, int id, const std::wstring& name) {
    udb_record row;
    row.add_field(udb_field(L"ID", 4, ole_variant(id)));
    row.add_field(udb_field(L"NAME", 20, ole_variant(name)));
    table.append_record(row);
}
