// A fresh database on the private server for each live test, opened through the engine, and
// direct reads on the engine's connection to check what the server holds.
#pragma once

#include <memory>
#include <string>

#include "SQL/sql_database.h"
#include "SQL/sql_test_env.h"

class sql_live_test : public sql_engine_test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sends a statement on the engine's connection; fails the test when it fails.
    void exec(const std::string& sql);
    // The first cell of the first row ("<null>", "<none>" or "<error: ...>" otherwise).
    std::string scalar(const std::string& sql);
    // Opens the test database again (after tables were made behind the object's back).
    void reopen(int flags = 0x28);

    std::string db_name;
    std::unique_ptr<udb_database> db;
    sql_database* live = nullptr;
};
