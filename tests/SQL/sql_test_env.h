// Shared pieces of the SQL tests: an engine per test, the private test server's connection facts,
// and running the command-line client against it.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_exception.h"
#include "UDB/t_ftd.h"

class udb_recordset;

// Creates the one engine before each test and destroys it after.
class sql_engine_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<sql_engine> engine;
};

struct test_server {
    bool available = false;
    std::string reason;
    std::string host, user, password, socket, client;
    int port = 0;
};

// The connection facts of the private server started for this test run (read once).
const test_server& get_test_server();
// The connection facts a server start wrote into `env_path` (not available when there are none).
test_server read_test_server(const std::string& env_path);

// A server of one test suite's own, for tests that stop, freeze or reconfigure it (the shared
// server must stay up for the others): started at construction in a temporary folder named
// `stem` and the process id, stopped and its folder removed at destruction.  facts.available is
// false (facts.reason says why) when it did not start.
class private_test_server {
public:
    explicit private_test_server(const std::string& stem);
    ~private_test_server();
    private_test_server(const private_test_server&) = delete;
    private_test_server& operator=(const private_test_server&) = delete;

    // Freezes the server process (SIGSTOP): connections stay open but nothing answers.
    void pause();
    // Lets a frozen server go on (SIGCONT).
    void resume();
    // The server's process id (0 when unknown).
    pid_t pid() const;
    // One statement through the client against this server; its exit status.
    int sql(const std::string& statement, std::string& output) const;
    // The output of one query on this server without its final line ends (the test fails when
    // the query does).
    std::string value(const std::string& statement) const;

    test_server facts;

private:
    std::string m_dir;
};

// True where the suite is run to be believed (scripts/run-tests.sh sets TW_TESTS_NEED_SERVER=1):
// there a server that did not start fails the tests that need it instead of skipping them, so
// that a run can never pass with those tests left out.
bool test_server_required();

// Skips the current test with the reason when `server` (a test_server) is not running, or fails
// it where the server is required.
#define REQUIRE_SERVER(server)                                                        \
    do {                                                                              \
        const test_server& tw_server_ = (server);                                     \
        if (!tw_server_.available) {                                                  \
            if (test_server_required())                                               \
                GTEST_FAIL() << "private MariaDB not running: " << tw_server_.reason; \
            GTEST_SKIP() << "private MariaDB not running: " << tw_server_.reason;     \
        }                                                                             \
    } while (0)

// The same for the private server shared by the whole run.
#define REQUIRE_TEST_SERVER() REQUIRE_SERVER(get_test_server())

// Runs the client with the SQL file as input (database optional); returns its exit status and
// puts its output (stdout and stderr) into `output`.
int run_client_file(const std::string& sql_file, const std::string& database, std::string& output);
// Runs one statement through the client in batch mode; returns the exit status.
int run_client_sql(const std::string& sql, std::string& output);
int run_client_sql(const test_server& server, const std::string& sql, std::string& output);

// A database name no other test process uses at the same time.
std::string unique_db_name(const char* stem);
// A fresh path under the build tree for a test file.
std::string test_file_path(const std::string& name);
// The whole file as bytes.
std::string read_file(const std::string& path);

// The first cell of the first row of a query on a connection ("<null>", "<none>", or
// "<error: ...>" with the server's text).
std::string query_scalar(MYSQL* handle, const std::string& sql);
// Appends a row (ID, NAME) to a table of that shape.
void append_id_name(udb_recordset& table, int id, const std::wstring& name);
// Runs a step of a table, keeping the row errors it raised: a dump raises a row's errors from
// the call that added it, a later one, or the flush.
void gather(std::vector<sql_record_error>& told, const std::function<void()>& step);

// A column description with the common defaults.
t_ftd make_column(const std::wstring& name, int vartype, unsigned int size, bool not_null = false,
                  int dw_reserved = 0);
