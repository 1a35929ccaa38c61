// sql_exception: an error the MySQL server or client library reported on the engine's connection.
// The message is the library's error text and the code the error number (low 16 bits) or-ed with
// 0x400000, both read from the engine's handle when the exception is built; level 0, so a run may
// go on with its next record or table.  Building one needs the registered sql_engine (else the
// internal error of the one-instance registry).  Not thread-safe: the connection's thread only.
#pragma once

#include <mysql.h>

#include "TK/tk_exception.h"

class sql_exception : public tk_exception {
public:
    // Takes the current error of the registered engine's connection.
    sql_exception();
    // Takes the current error of the given connection (the engine passes its own handle).
    explicit sql_exception(MYSQL* handle);
    sql_exception(const sql_exception&) = default;
    sql_exception& operator=(const sql_exception&) = default;

    // The MySQL error number alone (code() without the 0x400000 marker).
    int mysql_errno_value() const noexcept { return m_code & 0xFFFF; }

private:
    void fill(MYSQL* handle);
};

// The server asked for an authentication protocol the program cannot speak (4.1.0 servers with a
// password); level 1.
class sql_auth_not_supported_exception : public tk_exception {
public:
    sql_auth_not_supported_exception();
    sql_auth_not_supported_exception(const sql_auth_not_supported_exception&) = default;
};
