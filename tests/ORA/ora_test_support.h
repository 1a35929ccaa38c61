// Embedded Oracle instances for the Oracle-side tests: a fresh instance directory per test
// fixture, filled through the embedded engine's own session (never through the code under test),
// and an engine connected to it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ORA/ora_database.h"
#include "ORA/ora_engine.h"
#include "TK/tk_logger.h"
#include "UDB/udb_recordset.h"

class lite_session;

// A temporary instance directory with users; removed by the destructor.
class ora_test_instance {
public:
    explicit ora_test_instance(const std::string& banner = std::string());
    ~ora_test_instance();

    // Adds a user with a schema of its own.
    void add_user(const std::string& user, const std::string& password);
    // Runs statements as `user` and commits; a failing statement fails the test with its text.
    void run(const std::string& user, const std::string& password,
             const std::vector<std::string>& statements);
    void set_banner(const std::string& banner);
    // Runs a SQL*Plus-style script file as `user`; a failure fails the test.
    void run_script(const std::string& user, const std::string& password, const std::string& path);
    // Runs `work` on a session of `user` and commits.
    void with_session(const std::string& user, const std::string& password,
                      const std::function<void(lite_session&)>& work);

    const std::string& dir() const noexcept { return m_dir; }
    std::wstring wdir() const { return std::wstring(m_dir.begin(), m_dir.end()); }

private:
    std::string m_dir;
};

// A new instance holding the repository's demo schema as user DEMO (password demo).
std::unique_ptr<ora_test_instance> make_demo_instance();
// A new instance holding the human-resources sample of `dir` as user HR (password hr).
std::unique_ptr<ora_test_instance> make_hr_instance(const std::string& dir);

// Expects `rs`, walked from its start, to hold exactly the rows the engine itself returns for
// `select` (same order), value by value, read independently of the code under test.
void ora_expect_same_rows(ora_test_instance& inst, const std::string& user,
                          const std::string& password, const std::string& select,
                          udb_recordset& rs);

// Expects reading the current row of `rs` to fail with a level-0 record error (not an Oracle
// error) whose text holds each of `parts`.
// An ISO time stamp with its fraction rounded to `digits` digits (no carry into the seconds).
std::string ora_round_fraction(const std::string& stamp, std::size_t digits);

void ora_expect_record_error(udb_recordset& rs, const std::vector<std::string>& parts);

// A read of every row of a recordset, as the text of each field (NULL as "<null>").
std::vector<std::vector<std::wstring>> ora_read_all(udb_recordset& rs);

// A test with an engine of its own, connected to an instance; the database is closed before the
// engine.
class ora_connected_test : public ::testing::Test {
protected:
    // Creates the engine and opens the database as `user`; a refused logon raises ora_exception.
    void connect(ora_test_instance& inst, const std::wstring& user, const std::wstring& password);
    // Makes `user` as the destination does (through an administrator ADMIN, password admin) and
    // connects as it.
    void connect_as_new_user(ora_test_instance& inst, const std::wstring& user);
    void TearDown() override;

    std::unique_ptr<ora_engine> m_engine;
    std::unique_ptr<ora_database> m_db;
};

// A suite whose tests share one embedded instance: the suite's SetUpTestSuite builds s_inst,
// and it is removed when the suite ends.
template <class Suite>
class ora_suite_test : public ora_connected_test {
protected:
    static void TearDownTestSuite() { s_inst.reset(); }

    static inline std::unique_ptr<ora_test_instance> s_inst;
};

// A trace log into a file of its own (removed by the destructor), at `threshold`.
class ora_log_capture {
public:
    ora_log_capture(const std::string& name, int threshold);
    ~ora_log_capture();
    // Ends the log and returns everything written to it.
    std::string finish();

private:
    std::string m_path;
    std::unique_ptr<tk_logger> m_logger;
};
