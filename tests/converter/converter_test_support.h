// Shared pieces of the conversion tests: a front end and an error handler that record what the
// run shows, a converter per test over a private settings folder, embedded Oracle sources, and
// a comparison of every converted cell with the source as the embedded engine itself reads it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ORA/ora_test_support.h"
#include "SQL/sql_test_env.h"
#include "converter/error_handler.h"
#include "converter/run_front_end.h"
#include "converter/sql_native_type.h"
#include "converter/tabshift_convertor.h"

// A mapped MySQL type with the given parts.
inline sql_native_type native(const std::wstring& type, int32_t length = 0, int32_t precision = 0,
                              int32_t scale = 0, const std::wstring& def = L"",
                              const std::wstring& charset = L"") {
    sql_native_type t;
    t.type = type;
    t.length = length;
    t.precision = precision;
    t.scale = scale;
    t.default_value = def;
    t.character_set = charset;
    return t;
}

class test_front_end : public run_front_end {
public:
    void start_timer(int period_ms) override { timer_period = period_ms; }
    void write_log(const std::wstring& line) override { lines.push_back(line); }
    void error(const std::string& text) override { failures.push_back(text); }
    bool selects_all_when_empty() const override { return console; }
    bool skips_missing_tables() const override { return console; }
    void missing_table(const std::wstring& name) override { missing.push_back(name); }
    bool keeps_batching() const override { return console; }

    // Behave as the console agent does.
    bool console = false;
    int timer_period = 0;
    std::vector<std::wstring> lines;
    std::vector<std::string> failures;
    std::vector<std::wstring> missing;
};

class test_error_handler : public error_handler {
public:
    struct shown {
        std::string text;
        int level;
        int code;
        bool stop;
    };

    test_error_handler();
    // Records the error; raises tk_final_exception once `abort_at` errors were shown (the user
    // pressing Abort), or for an error of level 1 or 2 (which stops the run in every front end).
    void handle(const tk_exception& e, bool stop) override;

    std::vector<shown> errors;
    std::size_t abort_at = 0;
};

// A converter with its front end and error handler, over a settings folder of its own.
class conversion_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Connects the converter's source to `user` of the instance.
    void connect_source(ora_test_instance& inst, const std::wstring& user,
                        const std::wstring& password);
    // Runs the conversion into a new dump file and returns its path.
    std::string run_to_dump(const std::string& stem);
    // Points the converter at the test server, for a run straight into `database`.
    void to_server(const std::string& database);
    // Creates `database` on the test server and replays the dump into it; fails the test when
    // the client reports anything.
    void replay(const std::string& dump, const std::string& database);
    // The tables of a database on the test server, in name order.
    std::vector<std::string> server_tables(const std::string& database);
    // The rows of a table on the test server.
    long long server_count(const std::string& database, const std::string& table);
    // A database name for this test; dropped at tear-down.
    std::string database(const char* stem);

    std::string config_dir;
    std::unique_ptr<test_error_handler> handler;
    std::unique_ptr<test_front_end> front;
    std::unique_ptr<tabshift_convertor> conv;
    std::vector<std::string> databases;
};

// Compares every row of a source table (read by the embedded engine's own session, not by the
// code under test) with the destination table on the test server: same row count, and for every
// destination column the same cells (as multisets of rows).  Numbers compare by value, CHAR
// columns without their trailing blanks, binary columns byte for byte.  Source columns that have
// no destination column are returned; mismatches fail the test.
std::vector<std::string> expect_same_table(ora_test_instance& inst, const std::string& user,
                                           const std::string& password,
                                           const std::string& source_table,
                                           const std::string& database,
                                           const std::string& destination_table);

// The shared sample schemas' folder, or "" (with the reason in `why`) when absent.
std::string sample_dir(const std::string& sub, std::string& why);
