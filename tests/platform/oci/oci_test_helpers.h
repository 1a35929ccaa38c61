// Test support for the OCI interface: scratch instances and a connection that speaks UTF-8.
#pragma once

#include <string>
#include <vector>

#include "client/oci_lite.h"
#include "platform/oci/oci.h"

// A new instance directory under the test temp folder, with one user; removed at the end.
class scratch_instance {
public:
    explicit scratch_instance(const std::string& user = "ZOO", const std::string& password = "zoo",
                              const std::string& banner = "");
    ~scratch_instance();
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
};

// UTF-16 copy of UTF-8 text, as the interface takes it.
std::u16string u16(const std::string& utf8);
// UTF-8 copy of a zero-terminated UTF-16 buffer.
std::string from_u16(const void* buf, size_t max_bytes);

// Environment, error, server, session and service context of one logon.
class oci_conn {
public:
    oci_conn();
    ~oci_conn();
    oci_conn(const oci_conn&) = delete;
    oci_conn& operator=(const oci_conn&) = delete;

    // Attaches and logs on; returns the first failing status.
    sword logon(const std::string& connect, const std::string& user, const std::string& password);
    // The error handle's record as "ORA-nnnnn: text" ("" when none).
    std::string error_text();
    int error_code();
    // Prepares and executes one statement with `iters` and `mode`; returns the status.
    sword run(const std::string& sql, ub4 iters = 1, ub4 mode = OCI_COMMIT_ON_SUCCESS);
    // Runs statements and fails the current test on the first error.
    void must_run(const std::vector<std::string>& statements);
    // All rows of a query, every column fetched as SQLT_STR text into a buffer of
    // `reader_text_bytes`, so a value longer than its describe fails the fetch; NULL as "<NULL>".
    std::vector<std::vector<std::string>> rows(const std::string& sql);
    // Prepared statement handle (owned) for tests that drive the calls themselves.
    OCIStmt* new_stmt(const std::string& sql);

    OCIEnv* env = nullptr;
    OCIError* err = nullptr;
    OCIServer* srv = nullptr;
    OCISession* ses = nullptr;
    OCISvcCtx* svc = nullptr;

private:
    std::vector<OCIStmt*> stmts_;
};

// Bytes of a SQLT_STR buffer sized as the Oracle reader sizes a column of this describe: two per
// character of the data size plus the terminator for text, 510 for numbers, 255 for row ids; a
// million characters for LONG and named types (which the reader itself takes in pieces); other
// types get 200,002 bytes.
size_t reader_text_bytes(ub2 type, ub2 size);

// Statements of a script file: split at lines ending in ';' (comment lines "--" skipped).
std::vector<std::string> read_script(const std::string& path);
