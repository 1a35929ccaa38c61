// sql_exception: an error the MySQL server or client library reported on the engine's connection.
// The message is the library's error text and the code the error number (low 16 bits) or-ed with
// 0x400000, both read from the engine's handle when the exception is built; level 0, so a run may
// go on with its next record or table.  Building one needs the registered sql_engine (else the
// internal error of the one-instance registry).  Not thread-safe: the connection's thread only.
#pragma once

#include <mysql.h>

#include <string>
#include <vector>

#include "SQL/sql_errors.h"
#include "TK/tk_exception.h"

class sql_exception : public tk_exception {
public:
    // Takes the current error of the registered engine's connection.
    sql_exception();
    // Takes the current error of the given connection (the engine passes its own handle).
    explicit sql_exception(MYSQL* handle);
    // A server error or warning already read: the message as given, the code from the number.
    sql_exception(const std::string& message, unsigned int error_number);
    sql_exception(const sql_exception&) = default;
    sql_exception& operator=(const sql_exception&) = default;

    // The MySQL error number alone (code() without the 0x400000 marker).
    int mysql_errno_value() const noexcept { return m_code & 0xFFFF; }
    // True when the error means the connection is gone (server closed it, lost, killed or
    // shutting down): nothing more can be sent on it.
    bool is_connection_lost() const noexcept;
    // True when the server refuses the statement for the whole table, whatever the row (no
    // right to write it, the table missing, read-only or full): every other row would fail too.
    bool is_table_refused() const noexcept;

private:
    void fill(MYSQL* handle);
};

// One row of a table that the destination refused or changed: the table, the record's number
// and, when one column alone is at fault, that column, kept as given; the message is made from
// them once ("Table 'T', record #N: text").  Record 0 stands for a row the server could not place
// among the records of its statement: the message then names the range instead, and no table.
class sql_record_error : public sql_exception {
public:
    sql_record_error(const std::wstring& table, int record, const std::wstring& column,
                     const std::string& text, unsigned int error_number);
    // A row somewhere among the records first to last.
    static sql_record_error unplaced(const std::wstring& table, int first, int last,
                                     const std::string& text, unsigned int error_number);

    const std::wstring& table() const noexcept { return m_table; }
    int record() const noexcept { return m_record; }
    const std::wstring& column() const noexcept { return m_column; }
    // The destination's own words, without the table and record.
    const std::string& text() const noexcept { return m_text; }

private:
    sql_record_error(const std::string& message, const std::wstring& table, int record,
                     const std::string& text, unsigned int error_number);

    std::wstring m_table;
    int m_record;
    std::wstring m_column;
    std::string m_text;
};

// The rows of one table that failed or that the server changed, each as its own record error
// (level 0, with the server's number).  Raised for the rows that a batched statement or a flush
// reports together; the message lists every error, one a line, and the code is the first one's.
// A per-record handler reports errors() one by one.
class sql_row_errors : public sql_exception {
public:
    explicit sql_row_errors(std::vector<sql_record_error> errors);

    const std::vector<sql_record_error>& errors() const noexcept { return m_errors; }

private:
    std::vector<sql_record_error> m_errors;
};

// The connection was lost while rows of a table were on their way: how many rows of that table
// the server had confirmed by then (the ones after them did not reach it, or not for certain).
class sql_rows_lost : public sql_exception {
public:
    sql_rows_lost(const sql_exception& cause, const std::string& table, long long written);

    long long written() const noexcept { return m_written; }

private:
    long long m_written;
};

// The server asked for an authentication protocol the program cannot speak (4.1.0 servers with a
// password); level 1.
class sql_auth_not_supported_exception : public tk_exception {
public:
    sql_auth_not_supported_exception();
    sql_auth_not_supported_exception(const sql_auth_not_supported_exception&) = default;
};
