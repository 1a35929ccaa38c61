// Test support for the embedded engine: throw-away instance directories and small query helpers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lite_engine.h"

// A fresh instance directory with one user, removed at the end of the test.
class lite_scratch {
public:
    explicit lite_scratch(const std::string& user = "APP", const std::string& password = "secret",
                          const std::string& banner = "");
    ~lite_scratch();
    const std::string& dir() const { return dir_; }
    // A session logged on as the scratch user.
    std::unique_ptr<lite_session> logon() const;
    // A session logged on as SYSTEM, who reads the DBA_ views and every schema.
    std::unique_ptr<lite_session> logon_system() const;

private:
    std::string dir_;
    std::string user_, password_;
};

// All rows of a query, cells as text ("<null>" for NULL).
std::vector<std::vector<std::string>> lite_rows(lite_session& s, const std::string& sql);
// The single cell of a one-row, one-column query.
std::string lite_cell(lite_session& s, const std::string& sql);
// The ORA number a statement fails with, or 0 when it runs.
int lite_fails_with(lite_session& s, const std::string& sql);
// The bytes of a file ("" when it cannot be read).
std::string lite_read_file(const std::string& path);
// Directory of the shared sample schemas, or "" when it is not beside the checkout.
std::string lite_hr_dir();

// What the oralite tool did: its exit status (-1 when it did not exit) and its standard output
// and error together.
struct oralite_result {
    int status = -1;
    std::string out;
};
// Runs the oralite tool of this build with these arguments.
oralite_result run_oralite(const std::vector<std::string>& args);
